// UTF-8 as file names, texts and messages hold it.
#include "text/utf8.h"

int utf8_sequence_length(const unsigned char* text, std::int64_t length)
{
    if (length <= 0)
        return 0;
    unsigned char lead = text[0];
    int size = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
             : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (size > length)
        return 0;
    // The second byte's range closes the overlong, surrogate and too-high forms.
    unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    for (int i = 1; i < size; ++i) {
        if (text[i] < (i == 1 ? low : 0x80) || text[i] > (i == 1 ? high : 0xBF))
            return 0;
    }
    return size;
}

int count_utf8_characters(const char* text, int length)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    int characters = 0;
    for (int i = 0; i < length; ++characters) {
        int size = utf8_sequence_length(bytes + i, length - i);
        i += size == 0 ? 1 : size;  // a byte of no valid sequence is a character of its own
    }
    return characters;
}

int control_character_length(const unsigned char* text, std::int64_t length)
{
    int size = utf8_sequence_length(text, length);
    switch (size) {
    case 1: return text[0] < 0x20 || text[0] == 0x7F ? 1 : 0;
    case 2:  // U+0080 to U+009F, and U+061C ARABIC LETTER MARK, a direction control
        return (text[0] == 0xC2 && text[1] <= 0x9F) || (text[0] == 0xD8 && text[1] == 0x9C) ? 2 : 0;
    case 3: {
        if (text[0] != 0xE2)
            return 0;
        unsigned code = (text[1] & 0x3Fu) << 6 | (text[2] & 0x3Fu);  // below U+2000
        bool direction = code == 0x00E || code == 0x00F || (code >= 0x02A && code <= 0x02E)
                         || (code >= 0x066 && code <= 0x069);
        return direction ? 3 : 0;
    }
    default: return 0;
    }
}
