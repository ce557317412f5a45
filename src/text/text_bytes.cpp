#include "text/text_bytes.h"

#include <cstring>

#include "platform/bytes.h"

void start_text_bytes(TextBytes* bytes, std::FILE* file)
{
    bytes->file = file;
    bytes->held_count = 0;
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
    if (bytes->held_count > 0) {
        int c = bytes->held[0];
        std::memmove(bytes->held, bytes->held + 1, sizeof bytes->held - sizeof bytes->held[0]);
        --bytes->held_count;
        return c;
    }
    return read_byte(bytes->file);
}
