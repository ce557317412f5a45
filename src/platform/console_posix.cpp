// The console on Linux and other POSIX systems: bytes as they come.
#include "platform/console.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

void set_up_console()
{
    int error_number = errno;  // the console check must not show in later error lines
    set_up_buffers(isatty(fileno(stdout)));
    errno = error_number;
}

int read_input_byte(bool* unusable)
{
    *unusable = false;
    return getchar_unlocked();
}

void strip_pasted_quotes(char*)
{
}

int count_characters(const char* text, int length)
{
    return count_utf8_characters(text, length);
}

int read_arguments(int*, char***)
{
    return 0;  // bytes as they came
}

void set_binary_output()
{
}
