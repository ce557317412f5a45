#include "console/messages.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console/menu.h"
#include "platform/replace.h"

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

int report_cannot_open(const char* name)
{
    show_main_menu();
    print_error("Error: Cannot open %s: %s\n", name, error_text());
    return 1;
}

int report_cannot_read(const char* name)
{
    show_main_menu();
    print_error("Error: Cannot read %s: %s\n", name, error_text());
    return 1;
}

void report_left_behind(const Replacement* replacement)
{
    if (replacement->removal_error == 0)
        return;
    int error_number = errno;
    errno = replacement->removal_error;
    print_error("Error: Cannot remove %s: %s\n", replacement->new_name, error_text());
    errno = error_number;
}
