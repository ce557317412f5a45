// The text form of the skill table: readable in any editor, kept and shared
// by modders, and diffed line by line in version control. A small text is a
// patch that names only some entries. Stored files depend on these rules.
//
//     # skilltab skill table: one row per skill, one column per class.
//     Skill         Knight   Thief    Monk ...
//     Staff         EMGG     BBEE     ----
//
// Reading:
//  1. Lines end in LF or CR LF; the last may have no line end. Lines may be
//     of any length. A UTF-8 byte-order mark at the start is skipped. '#'
//     starts a comment that runs to the end of its line. Blank lines are
//     skipped. Line numbers count every line, from 1. A NUL byte anywhere,
//     comments included, refuses the file; on its line that check comes first.
//  2. The first other line is the header: the word Skill (any letter case),
//     then one or more class names (Knight ... Sorcerer, any letter case),
//     each at most once, in any order. A file with no header is refused; a
//     header alone is a patch that names nothing.
//  3. Every later line is a skill name, then one entry per header class,
//     separated by spaces or tabs. The skill name is everything before the
//     last N fields, each run of spaces and tabs in it one space. It is the
//     viewer's name of a skill in any letter case, or Slot 27 or Slot 28 for
//     the two slots the game leaves unused. Each skill at most once.
//  4. An entry is exactly four levels: unpromoted, first promotion, light
//     path, dark path; each one of - 0 B 1 E 2 M 3 G 4, letters in either case.
//  5. Anything else refuses the whole file, with the line and what is wrong;
//     reading stops at the first line at fault. A message quotes a word (a
//     field, or a row's joined skill name) whole up to 1000 bytes, a longer
//     one cut there, before a UTF-8 character rather than inside, and "...".
//     A row's checks run in this order: too few fields, an entry that is not
//     four levels, an unknown skill, a skill named twice.
// A table that names all 37 slots and all 9 classes is complete; any other
// is a patch.
//
// Writing: the three comment lines, the header (Skill in 14 columns, each
// class in 9) and one row a named skill in slot order (its name in 14
// columns, each entry in 9, levels as - B E M G), the classes a table names
// in the editor's order, no trailing spaces, LF line ends. The same table
// always gives the same bytes.
#pragma once

#include <cstdio>

#include "table/skill_table.h"

// A table as a text names it.
struct NamedTable {
    unsigned char levels[SKILL_BLOCK_SIZE];
    bool classes[CLASS_COUNT];  // the classes it names
    bool skills[SKILL_COUNT];   // the skill slots it names
};

// A whole table, every entry named.
void name_every_entry(NamedTable* table, const unsigned char* block);
bool is_complete(const NamedTable* table);
constexpr bool names_entry(const NamedTable* table, int class_index, int slot)
{
    return table->classes[class_index] && table->skills[slot];
}

// A skill's name in a text: the viewer's, or "Slot 27" and "Slot 28".
const char* text_skill_name(int slot);

enum class TextRead {
    DONE,
    NOT_READ,  // a read failed; the error number says why
    REFUSED,   // text_error says where and why
};

struct TextError {
    int line;  // 0 where the whole file is at fault
    char message[1100];  // what is wrong, quoting at most 1000 bytes of a word
};

// Reads a text from file into table. Prints nothing.
TextRead read_text_table(std::FILE* file, NamedTable* table, TextError* text_error);

constexpr int TEXT_SIZE_MAX = 8192;  // the longest text a table gives

// The table's text, in text (TEXT_SIZE_MAX bytes); returns its length.
int format_text_table(const NamedTable* table, char* text);
