// Runs on Windows (under Wine in CI): holds a file open for a while, as a
// virus scanner or an indexer does, letting others read it but not write,
// remove or replace it. Usage: hold_file NAME MILLISECONDS. Prints "held"
// once the file is open.
#include <cstdio>
#include <cstdlib>
#include <windows.h>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: hold_file NAME MILLISECONDS\n");
        return 2;
    }
    HANDLE file = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "hold_file: cannot open %s: error %lu\n", argv[1], GetLastError());
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(std::atoi(argv[2]));
    CloseHandle(file);
    return 0;
}
