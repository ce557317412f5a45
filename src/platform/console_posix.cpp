// The console on Linux and other POSIX systems: bytes as they come.
#include "platform/console.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

int set_up_console(int*, char***)
{
    int error_number = errno;  // the console check must not show in later error lines
    set_up_buffers(isatty(fileno(stdout)));
    errno = error_number;
    return 0;  // the arguments are bytes as they came, and so is the output
}

int read_input_byte(bool* unusable)
{
    *unusable = false;
    return getchar_unlocked();
}

bool input_is_terminal()
{
    int error_number = errno;
    bool terminal = isatty(STDIN_FILENO);
    errno = error_number;
    return terminal;
}

bool error_is_terminal()
{
    int error_number = errno;
    bool terminal = isatty(STDERR_FILENO);
    errno = error_number;
    return terminal;
}

void take_back_error_line(int)
{
    const char* terminal = std::getenv("TERM");
    bool dumb = terminal == nullptr || terminal[0] == '\0' || std::strcmp(terminal, "dumb") == 0;
    std::fputs(dumb ? "\n" : "\r\033[K", stderr);  // back to the line's start, and the line erased
}

bool code_page_is_utf8()
{
    return true;
}

void stop_when_console_closes(void (*)(void*), void*)
{
}
