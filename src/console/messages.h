// Text for error lines.
#pragma once

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
