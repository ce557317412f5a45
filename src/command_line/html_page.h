// The table as a web page, to look at and to print: one self-contained
// HTML5 page in UTF-8 (its style inline, no script, nothing loaded from
// elsewhere), a row a skill the table names, in slot order, a column a
// class, each entry's four levels as a text writes them, each letter
// coloured by its level, and a legend of the levels.
#pragma once

#include <cstdio>

#include "table/table.h"

// The page of one table, titled with the file's name.
void print_table_page(std::FILE* page, const char* name, const Table* table);

// The page of the second table, of the entries both tables name; each that
// differs from the first is marked "changed" and shows old and new levels.
// Returns how many differ.
int print_difference_page(std::FILE* page, const char* first_name, const Table* first,
                          const char* second_name, const Table* second);
