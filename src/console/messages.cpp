#include "console/messages.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "console/menu.h"
#include "platform/replace.h"

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
    std::fprintf(stderr, "Error: Cannot open %s: %s\n", name, error_text());
    return 1;
}

int report_cannot_read(const char* name)
{
    show_main_menu();
    std::fprintf(stderr, "Error: Cannot read %s: %s\n", name, error_text());
    return 1;
}

void report_left_behind(const Replacement* replacement)
{
    if (replacement->removal_error == 0)
        return;
    int error_number = errno;
    errno = replacement->removal_error;
    std::fprintf(stderr, "Error: Cannot remove %s: %s\n", replacement->new_name, error_text());
    errno = error_number;
}
