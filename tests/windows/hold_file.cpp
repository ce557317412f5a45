// Runs on Windows (under Wine in CI): holds a file open for a while, as a
// virus scanner or an indexer does, letting others read it but not write,
// remove or replace it; with "none" as SHARING, letting no other program
// open it at all. Usage: hold_file NAME MILLISECONDS [read|none]. Prints
// "held" once the file is open.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <windows.h>

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: hold_file NAME MILLISECONDS [read|none]\n");
        return 2;
    }
    DWORD sharing = argc == 4 && std::strcmp(argv[3], "none") == 0 ? 0 : FILE_SHARE_READ;
    HANDLE file = CreateFileA(argv[1], GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
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
