// Words read from a file or a command line as a person is shown them, in a
// message on a terminal or in a web page: one place for both, so that
// nothing a file holds reaches either raw.
#pragma once

#include <cstdint>
#include <string>

// The code page in which the program's messages reach the terminal. Where
// it is UTF-8, a byte 0x80 to 0x9F that is part of no UTF-8 character is an
// 8-bit control (0x9B is CSI, which 8-bit terminals obey); in another, such
// as Windows-1252, it is a letter (€, Ś, Ž).
enum class CodePage { UTF8, OTHER };

// A name or a word as a message shows it: each control character
// (control_character_length) as "?", and in UTF-8 each byte 0x80 to 0x9F
// that is part of no character; everything else, other bytes that are no
// UTF-8 among it, as it is.
std::string shown_text(const char* text, CodePage code_page);

// Text as a page shows it, added to `page`: the five characters that mean
// something in HTML escaped, each byte that is no UTF-8 as U+FFFD, and each
// control character as "?", as in messages.
void add_escaped(std::string* page, const char* text);
