// The bytes of a text file as every form of a table reads them: a UTF-8
// byte-order mark at the start skipped, and bytes that only begin like one
// taken again as the first bytes of the text.
#pragma once

#include <cstdio>

struct TextBytes {
    std::FILE* file;
    int held[3];  // bytes read ahead at the start, to be taken again
    int held_count;
};

void start_text_bytes(TextBytes* bytes, std::FILE* file);

// The next byte, or EOF.
int next_text_byte(TextBytes* bytes);
