#include "platform/console.h"

#include <cerrno>
#include <cstdio>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

char stdout_buffer[512];

bool is_console(std::FILE* stream)
{
#ifdef _WIN32
    return _isatty(_fileno(stream));
#else
    return isatty(fileno(stream));
#endif
}

}  // namespace

void set_up_console_streams()
{
    int error_number = errno;  // the console check must not show in later error lines
    bool console = is_console(stdout);
    errno = error_number;
    if (console)
        std::setvbuf(stdout, nullptr, _IONBF, 0);
    else
        std::setvbuf(stdout, stdout_buffer, _IOFBF, sizeof stdout_buffer);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
}
