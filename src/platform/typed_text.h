// What a user types on a Windows console, in the program's own code page.
//
// The console hands over typed text as UTF-16, whatever its language; file
// names must reach the file system in the code page that the "A" functions
// and the C library use (UTF-8 through the program's manifest, otherwise
// the system's ANSI code page). Each character is converted on its own, so
// that one the code page cannot represent is marked as unusable, never
// replaced by a look-alike that would name another file.
#pragma once

#ifdef _WIN32

// Converts `length` UTF-16 units of `text` to bytes of `code_page`, writing
// at most `capacity` bytes and marking in `unusable` each byte that stands
// for a character the code page lacks. A carriage return before a line feed
// is dropped, as a text stream drops it. Returns the number of bytes written.
int convert_typed_text(const wchar_t* text, int length, unsigned code_page, char* bytes,
                       bool* unusable, int capacity);

#endif
