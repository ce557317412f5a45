// Error lines on standard error, for both front ends.
#pragma once

// Writes an error line (or lines) to standard error, formatted with printf
// rules and written whole at once, so that no character of a name is split
// between two writes to a console. The error number is left as it was.
void print_error(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The message for the current error number with its own line end, so that an
// error line ending in it is followed by an empty line. The error number is
// left as it was.
const char* error_text();
