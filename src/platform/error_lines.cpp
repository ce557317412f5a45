#include "platform/error_lines.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

void print_error(const char* format, ...)
{
    int error_number = errno;
    char line[1024];
    va_list arguments, again;
    va_start(arguments, format);
    va_copy(again, arguments);
    int length = std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    // A long name must not cut the message short: a longer one is made on the heap.
    char* whole = line;
    if (length >= static_cast<int>(sizeof line)) {
        whole = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
        if (whole != nullptr) {
            std::vsnprintf(whole, static_cast<size_t>(length) + 1, format, again);
        } else {
            whole = line;  // no memory: as much as there is room for
            length = sizeof line - 1;
        }
    }
    va_end(again);
    if (length > 0)
        std::fwrite(whole, 1, static_cast<size_t>(length), stderr);
    if (whole != line)
        std::free(whole);
    errno = error_number;
}

const char* error_text()
{
    static char text[256];
    int error_number = errno;
    if (error_number == 0)
        std::snprintf(text, sizeof text, "Error 0\n");
    else
        std::snprintf(text, sizeof text, "%s\n", std::strerror(error_number));
    errno = error_number;
    return text;
}
