// Random bytes on Windows: the system's preferred generator.
#include "platform/random.h"

#include <cerrno>
#include <windows.h>
#include <bcrypt.h>

int fill_random(unsigned char* bytes, size_t size)
{
    NTSTATUS status = BCryptGenRandom(nullptr, bytes, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    if (status != 0) {
        errno = EIO;
        return -1;
    }
    return 0;
}
