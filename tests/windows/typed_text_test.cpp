// Runs on Windows (under Wine in CI): typed UTF-16 text into the bytes of a
// code page, a character the code page lacks marked, never a look-alike.
// Prints each case that fails and exits with 1 if any did.
#include <cstdio>
#include <string>
#include <windows.h>

#include "platform/console.h"

namespace {

struct Case {
    const char* what;
    std::wstring typed;
    unsigned code_page;
    std::string bytes;     // what the program then holds
    std::string unusable;  // '^' under each byte that stands for a missing character
};

const Case CASES[] = {
    {"Cyrillic in UTF-8", L"\u043d\u0430\u0432\u044b\u043a\u0438.blk", CP_UTF8,
     "\xd0\xbd\xd0\xb0\xd0\xb2\xd1\x8b\xd0\xba\xd0\xb8.blk", ""},
    {"German in UTF-8", L"Ritter-\u00c4\u00d6.blk", CP_UTF8, "Ritter-\xc3\x84\xc3\x96.blk", ""},
    {"a character beyond 16 bits in UTF-8", L"a\U0001F600b", CP_UTF8, "a\xf0\x9f\x98\x80" "b", ""},
    {"a lone surrogate in UTF-8", std::wstring(L"a") + wchar_t(0xD800) + L"b", CP_UTF8, "a?b", " ^ "},
    {"Cyrillic in 1251", L"\u043d\u0430\u0432\u044b\u043a\u0438.blk", 1251,
     "\xed\xe0\xe2\xfb\xea\xe8.blk", ""},
    {"German in 1251, which lacks it", L"R\u00e4t", 1251, "R?t", " ^ "},
    {"German in 1252", L"F\u00e4higkeiten-\u00df", 1252, "F\xe4higkeiten-\xdf", ""},
    {"Polish in 1252: no l for \u0142", L"umiej\u0119tno\u015bci", 1252, "umiej?tno?ci",
     "     ^   ^  "},
    {"Cyrillic in 1252", L"\u043d.blk", 1252, "?.blk", "^    "},
    {"a line end", L"abc\r\n", CP_UTF8, "abc\n", ""},
    {"a lone carriage return stays", L"a\rb", 1252, "a\rb", ""},
};

}  // namespace

int main()
{
    int failures = 0;
    for (const Case& c : CASES) {
        char bytes[256];
        bool unusable[256];
        int count = convert_typed_text(c.typed.data(), static_cast<int>(c.typed.size()), c.code_page,
                                       bytes, unusable, static_cast<int>(sizeof bytes));
        std::string marks;
        for (int i = 0; i < count; ++i)
            marks += unusable[i] ? '^' : ' ';
        std::string expected_marks = c.unusable.empty() ? std::string(c.bytes.size(), ' ') : c.unusable;
        if (std::string(bytes, count) != c.bytes || marks != expected_marks) {
            std::printf("FAILED: %s\n", c.what);
            ++failures;
        }
    }
    std::printf("%d of %d cases failed\n", failures, static_cast<int>(sizeof CASES / sizeof CASES[0]));
    return failures == 0 ? 0 : 1;
}
