// The checks of a table's header and rows, on the fields that the reader of
// one file form has split: the same rules and the same messages for every
// form. A reader calls begin_rows, then for each header field
// check_header_field and end_header, then check_row for each row, and
// end_rows at the end; the first refusal is the one told.
#pragma once

#include <cstdint>

#include "table/table.h"

constexpr int QUOTED_MAX = 1000;  // the most bytes of a word that a message quotes

// A field, or a row's skill name, as it is read: its first bytes and its
// whole length, so that a line of any length is read in the same small
// memory. Counts are 64 bits on every system: a file may be of any size.
struct Word {
    char kept[QUOTED_MAX + 1];
    std::int64_t length;
};

void add_byte(Word* word, char c);

// A field joined to a skill name, with one space between.
void join_word(Word* name, const Word* field);

enum class TextRead {
    DONE,
    NOT_READ,  // a read failed; the error number says why
    REFUSED,   // text_error says where and why
};

struct TextError {
    std::int64_t line;  // 0 where the whole file is at fault
    char message[1100];  // what is wrong, quoting at most 1000 bytes of a word
    bool utf16;          // the file is UTF-16, which no line of it can be read as
};

// Where the checks have got to: the table being filled, and the header's
// classes in their order.
struct RowChecks {
    Table* table;
    TextError* text_error;
    std::int64_t line_number;  // the reader's line, for a message
    int class_count;  // the header's, 0 until the header is read
    int order[CLASS_COUNT];
};

// Empties the table, which the rows then fill.
void begin_rows(RowChecks* checks, Table* table, TextError* text_error);

// Refuses the file at the current line: what is wrong, and the word quoted.
TextRead refuse(RowChecks* checks, const char* what, const Word* word = nullptr);

// The refusals of a file that is no text of lines that this program reads,
// told at line 1: a UTF-16 file (a byte-order mark FF FE or FE FF), and
// lines that end in CR alone (the first line end a CR with no LF behind it).
TextRead refuse_utf16(RowChecks* checks);
TextRead refuse_lone_returns(RowChecks* checks);

// The header's field at index (0 for Skill), as soon as it ends.
TextRead check_header_field(RowChecks* checks, const Word* field, int index);
// The header's end, after field_count fields.
TextRead end_header(RowChecks* checks, int field_count);

// A row: its skill name and one entry for each class of the header, in the
// header's order. Its checks, in their order: an entry that is not four
// levels, an unknown skill, a skill named twice.
TextRead check_row(RowChecks* checks, const Word* name, const Word* const* entries);

// The end of the file: a file with no header is refused.
TextRead end_rows(RowChecks* checks);
