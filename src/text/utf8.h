// UTF-8 as file names, texts and messages hold it.
#pragma once

#include <cstdint>

// The bytes of one valid UTF-8 sequence at text (RFC 3629: at most four
// bytes, no overlong form, no surrogate, nothing above U+10FFFF), or 0.
int utf8_sequence_length(const unsigned char* text, std::int64_t length);

// How many characters the bytes hold: each valid sequence is one, and so is
// each byte of none.
int count_utf8_characters(const char* text, int length);

// The bytes of a control character at text, which a terminal or a browser
// would take as an order rather than show: the bytes 0x00 to 0x1F and 0x7F,
// the characters U+0080 to U+009F, and the direction controls U+061C,
// U+200E, U+200F, U+202A to U+202E and U+2066 to U+2069; or 0. Messages and pages
// show each as "?".
int control_character_length(const unsigned char* text, std::int64_t length);
