// What the console does alike on every system.
#include "platform/console.h"

#include <cstdio>

namespace {
char stdout_buffer[512];
}

void set_up_buffers(bool output_console)
{
    if (output_console)
        std::setvbuf(stdout, nullptr, _IONBF, 0);
    else
        std::setvbuf(stdout, stdout_buffer, _IOFBF, sizeof stdout_buffer);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
}
