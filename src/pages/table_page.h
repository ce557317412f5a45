// The table as a web page, to look at and to print: one self-contained
// HTML5 page in UTF-8 (its style sheet, page_style.css, inline; no script,
// nothing loaded from elsewhere), a row a skill the table names, in slot
// order, a column a class, each entry's four levels as a text writes them,
// each letter coloured by its level, and a legend of the levels. A page is
// added to a string, which a front end then sends where it goes.
#pragma once

#include <string>

#include "table/table.h"

// The page's style sheet, built into the program from page_style.css.
extern const char* const PAGE_STYLE;

// The page of one table, titled with the file's name.
void add_table_page(std::string* page, const char* name, const Table* table);

// The page of the second table, of the entries both tables name; each that
// differs from the first is marked "changed" and shows old and new levels.
// Returns how many differ.
int add_difference_page(std::string* page, const char* first_name, const Table* first, const char* second_name,
                        const Table* second);

// The grid of a whole table (a game's or a block file's) with a control in
// each level, for a page that changes the table: every skill slot a row,
// every class a column, each level a button named "SKILL CLASS STAGE"
// (STAGE: unpromoted, first promotion, light path, dark path) showing its
// letter, with its index in the table; then the legend.
void add_control_grid(std::string* page, const Table* table);
