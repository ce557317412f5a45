// What the menu's commands say of their work on files. These texts are
// fixed, byte for byte: the tests pin every one of them.
#pragma once

#include <string>

#include "platform/error_lines.h"
#include "table/outcome.h"

struct Replacement;

// A name as the menu's messages show it: each control character as "?"
// (shown_text), so that a name cannot drive the terminal that reads it.
std::string shown_name(const char* name);

// The main menu, then "Error: Cannot open NAME: " and the error text. Returns 1,
// the failed command's result.
int report_cannot_open(const char* name);

// The main menu, then "Error: Cannot read NAME: " and the error text. Returns 1.
int report_cannot_read(const char* name);

// A new file that a failed replacement could not remove is never left
// silently: "Error: Cannot remove NAME: " and that removal's error text.
void report_left_behind(const Replacement* replacement);

// The menu commands that work on files, for report_outcome.
enum class MenuCommand { EXTRACT, LOAD, INSERT, SAVE };

// What E, L, I and S say of their outcome, all in one place: the main menu,
// then the notice or the error lines, with `name` as the user typed it (the
// game for E and I), and for I and S a new file `copy` left behind. Returns
// the command's result: 0 for DONE, else 1. Invalid data ends the program.
int report_outcome(MenuCommand command, Outcome outcome, const char* name, const Replacement* copy);

// What the menu says of a block with invalid data, before it ends the program.
void end_on_invalid_data();
