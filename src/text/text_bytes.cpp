#include "text/text_bytes.h"

#include <cstring>

#include "platform/bytes.h"

namespace {

int take_byte(TextBytes* bytes)
{
    if (bytes->held_count > 0) {
        int c = bytes->held[0];
        std::memmove(bytes->held, bytes->held + 1, sizeof bytes->held - sizeof bytes->held[0]);
        --bytes->held_count;
        return c;
    }
    return read_byte(bytes->file);
}

// A byte read ahead, to be taken first; there is room, since one was just taken.
void hold_again(TextBytes* bytes, int c)
{
    std::memmove(bytes->held + 1, bytes->held, sizeof bytes->held - sizeof bytes->held[0]);
    bytes->held[0] = c;
    ++bytes->held_count;
}

}  // namespace

void start_text_bytes(TextBytes* bytes, std::FILE* file)
{
    bytes->file = file;
    bytes->held_count = 0;
    bytes->line_ended = false;
    int first = read_byte(file);
    bytes->utf16 = false;
    if (first == 0xFF || first == 0xFE) {
        int second = read_byte(file);
        bytes->utf16 = second == (first == 0xFF ? 0xFE : 0xFF);
        bytes->held[bytes->held_count++] = first;
        if (second != EOF)
            bytes->held[bytes->held_count++] = second;
        return;
    }
    std::ungetc(first, file);
    const unsigned char MARK[] = {0xEF, 0xBB, 0xBF};
    for (unsigned char expected : MARK) {
        int c = read_byte(file);
        if (c != EOF)
            bytes->held[bytes->held_count++] = c;
        if (c != expected)
            return;
    }
    bytes->held_count = 0;
}

int next_text_byte(TextBytes* bytes)
{
    int c = take_byte(bytes);
    if (c != '\r') {
        bytes->line_ended = bytes->line_ended || c == '\n';
        return c;
    }
    int next = take_byte(bytes);
    if (next == '\n' || next == EOF) {
        bytes->line_ended = true;
        return '\n';
    }
    hold_again(bytes, next);
    return c;
}
