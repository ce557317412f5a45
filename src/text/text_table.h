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
//     path, dark path; each one of - 0 B 1 E 2 M 3 G 4, letters in either case,
//     or "." for a level the table leaves as it is (a patch's).
//  5. Anything else refuses the whole file, with the line and what is wrong;
//     reading stops at the first line at fault. A message quotes a word (a
//     field, or a row's joined skill name) whole up to 1000 bytes, a longer
//     one cut there, before a UTF-8 character rather than inside, and "...".
//     A row's checks run in this order: too few fields, an entry that is not
//     four levels, an unknown skill, a skill named twice.
//     (The header's and the rows' checks are table_rows', shared with every
//     form of a table in fields; the fields of a line are this file's.)
// A table that names all 37 slots and all 9 classes and sets every level is
// complete; any other is a patch.
//
// Writing: the three comment lines, the header (Skill in 14 columns, each
// class in 9) and one row a named skill in slot order (its name in 14
// columns, each entry in 9, levels as - B E M G, "." where the table sets
// none), the classes a table names
// in the editor's order, no trailing spaces, LF line ends. The same table
// always gives the same bytes.
#pragma once

#include <cstdio>

#include "table/table.h"
#include "text/table_rows.h"

// Reads a text from file into table.
TextRead read_text_table(std::FILE* file, Table* table, TextError* text_error);

constexpr int TEXT_SIZE_MAX = 8192;  // the longest text a table gives

// The table's text, in text (TEXT_SIZE_MAX bytes); returns its length.
int format_text_table(const Table* table, char* text);
