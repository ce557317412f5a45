// The bytes of a text file as every reader of a text takes them, written
// once: a UTF-8 byte-order mark at the start skipped (bytes that only begin
// like one taken again as the first bytes of the text), and a line end
// CR LF, or a CR that is the file's last byte, taken as one LF. Any other CR
// is a byte like any other.
#pragma once

#include <cstdio>

struct TextBytes {
    std::FILE* file;
    int held[3];  // bytes read ahead, to be taken again
    int held_count;
    bool utf16;       // the text begins with a UTF-16 byte-order mark, FF FE or FE FF
    bool line_ended;  // a line end has been taken
};

void start_text_bytes(TextBytes* bytes, std::FILE* file);

// The next byte, or EOF. A CR (13) that it gives is no line end: where no
// line end came before it, the text's lines end in CR alone.
int next_text_byte(TextBytes* bytes);
