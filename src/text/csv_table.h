// The table as a spreadsheet saves it, in CSV: a header row of Skill and the
// classes, then a row a skill, a field a class. Its fields go through the
// same header and row checks as a text's (table_rows), with the same
// messages.
//
// Reading (RFC 4180, and what spreadsheets do beside it):
//  1. A UTF-8 byte-order mark at the start is skipped. Lines end in LF or
//     CR LF. Line numbers count every line; a row's message names the line
//     it begins on. A NUL byte anywhere refuses the file.
//  2. A line with no field that is not empty is skipped, before the header
//     too. A line whose first field begins with # is a comment.
//  3. The header is the first other line. Its separator is the first , ; or
//     tab in it outside quotes, and serves the whole file; a header with none
//     is refused. Fields may be quoted with ", "" standing for one; a quoted
//     field may hold the separator and line ends. Spaces and tabs around a
//     field, outside its quotes, are taken off.
//  4. The header is Skill and the classes, as in a text; empty fields after
//     the last class are skipped, one between classes is refused.
//  5. A row is the skill's name (each run of spaces and tabs in it one
//     space), then one field a class of the header. An empty field, or one
//     missing at the end of a short row, is an entry the table does not set,
//     as "....". A field that is not empty after the last class is refused.
//     An entry is four levels, as in a text.
//
// Writing: the header row (Skill and the classes the table names) and one row
// a skill the table names, in slot order, comma-separated, LF line ends, no
// comment, no byte-order mark; an entry that is not set as an empty field,
// one partly set with "." where it sets nothing. The levels are letters
// (- B E M G .): a spreadsheet takes every such field as text and saves it
// back as it was, since none begins with = + or @, nor is a number.
#pragma once

#include <cstdio>

#include "table/table.h"
#include "text/table_rows.h"

// Reads a CSV table from file into table.
TextRead read_csv_table(std::FILE* file, Table* table, TextError* text_error);

constexpr int CSV_SIZE_MAX = 4096;  // the longest CSV a table gives

// The table's CSV, in text (CSV_SIZE_MAX bytes); returns its length.
int format_csv_table(const Table* table, char* text);
