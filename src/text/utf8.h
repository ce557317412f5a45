// UTF-8 as file names, texts and messages hold it.
#pragma once

// The bytes of one valid UTF-8 sequence at text (RFC 3629: at most four
// bytes, no overlong form, no surrogate, nothing above U+10FFFF), or 0.
int utf8_sequence_length(const unsigned char* text, long length);

// How many characters the bytes hold: each valid sequence is one, and so is
// each byte of none.
int count_utf8_characters(const char* text, int length);
