#include "platform/typed_text.h"

#ifdef _WIN32

#include <windows.h>

namespace {

constexpr int LONGEST_CHARACTER = 4;  // bytes of one character in any code page

// The UTF-16 units of the character at text[i]: two for a surrogate pair.
int character_units(const wchar_t* text, int i, int length)
{
    bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF;
    bool low_follows = i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    return high && low_follows ? 2 : 1;
}

// The bytes of one character, or 0 when the code page cannot represent it.
int convert_character(const wchar_t* character, int units, unsigned code_page,
                      char (&bytes)[LONGEST_CHARACTER])
{
    if (code_page == CP_UTF8) {
        // A lone surrogate is no character at all.
        return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, character, units, bytes,
                                   LONGEST_CHARACTER, nullptr, nullptr);
    }
    BOOL used_default = FALSE;
    int count = WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, character, units, bytes,
                                    LONGEST_CHARACTER, nullptr, &used_default);
    return used_default ? 0 : count;
}

}  // namespace

int convert_typed_text(const wchar_t* text, int length, unsigned code_page, char* bytes,
                       bool* unusable, int capacity)
{
    int count = 0;
    for (int i = 0; i < length; ++i) {
        if (text[i] == L'\r' && i + 1 < length && text[i + 1] == L'\n')
            continue;
        int units = character_units(text, i, length);
        char character[LONGEST_CHARACTER];
        int size = convert_character(text + i, units, code_page, character);
        i += units - 1;
        bool usable = size > 0;
        if (!usable) {
            character[0] = '?';
            size = 1;
        }
        if (count + size > capacity)
            break;
        for (int k = 0; k < size; ++k) {
            bytes[count] = character[k];
            unusable[count++] = !usable;
        }
    }
    return count;
}

#endif
