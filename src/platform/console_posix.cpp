// The console on Linux and other POSIX systems: bytes as they come.
#include "platform/console.h"

#include <cerrno>
#include <cstdio>
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
