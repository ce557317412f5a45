// Random bytes on Linux: getrandom, which blocks only until the system's
// pool was first filled.
#include "platform/random.h"

#include <cerrno>
#include <sys/random.h>

int fill_random(unsigned char* bytes, size_t size)
{
    size_t filled = 0;
    while (filled < size) {
        ssize_t count = getrandom(bytes + filled, size - filled, 0);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return -1;
        filled += static_cast<size_t>(count);
    }
    return 0;
}
