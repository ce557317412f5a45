// Text for error lines.
#pragma once

#include "table/outcome.h"

struct Replacement;

// Writes an error line (or lines) to standard error, formatted with printf
// rules and written whole at once, so that no character of a name is split
// between two writes to a console.
void print_error(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The message for the current error number with its own line end, so that an
// error line ending in it is followed by an empty line. The error number is
// left as it was.
const char* error_text();

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
