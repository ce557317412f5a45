// Runs on Windows (under Wine in CI): types keys into the console it runs
// in, as a user would, runs a program on that console, and writes what came
// of it to console_dialogue.txt: the program's exit code and the console's
// output code page before and after. Usage: console_dialogue PROGRAM KEYS,
// KEYS a file of the keys in UTF-16 (little-endian), "\r" for Enter.
#include <cstdio>
#include <string>
#include <windows.h>

namespace {

constexpr UINT FOUND_CODE_PAGE = 850;  // what a Western European console starts with

std::wstring read_keys(const char* name)
{
    std::wstring keys;
    if (std::FILE* file = std::fopen(name, "rb")) {
        for (int low, high; (low = std::fgetc(file)) != EOF && (high = std::fgetc(file)) != EOF;)
            keys += static_cast<wchar_t>(low | high << 8);
        std::fclose(file);
    }
    return keys;
}

void type(const std::wstring& keys)
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    for (wchar_t key : keys) {
        INPUT_RECORD press[2] = {};
        for (int i = 0; i < 2; ++i) {
            press[i].EventType = KEY_EVENT;
            press[i].Event.KeyEvent.bKeyDown = i == 0;
            press[i].Event.KeyEvent.wRepeatCount = 1;
            press[i].Event.KeyEvent.wVirtualKeyCode = key == L'\r' ? VK_RETURN : 0;
            press[i].Event.KeyEvent.uChar.UnicodeChar = key;
        }
        DWORD written;
        WriteConsoleInputW(input, press, 2, &written);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: console_dialogue PROGRAM KEYS\n");
        return 2;
    }
    SetConsoleOutputCP(FOUND_CODE_PAGE);
    UINT before = GetConsoleOutputCP();
    type(read_keys(argv[2]));
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    PROCESS_INFORMATION process;
    DWORD exit_code = 999;
    if (CreateProcessA(argv[1], nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &exit_code);
    }
    std::FILE* result = std::fopen("console_dialogue.txt", "w");
    std::fprintf(result, "exit %lu, code page %u before, %u after\n", exit_code, before, GetConsoleOutputCP());
    std::fclose(result);
    return 0;
}
