#include "console/platform.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {
char stdout_buffer[512];
}

std::FILE* open_for_reading(const char* name)
{
    std::FILE* file = std::fopen(name, "rb");
    struct stat status;
    if (file != nullptr && fstat(fileno(file), &status) == 0 && S_ISDIR(status.st_mode)) {
        std::fclose(file);
        errno = EISDIR;
        return nullptr;
    }
    return file;
}

void set_up_console_streams()
{
    int error_number = errno;  // the console check must not show in later error lines
    bool console = isatty(fileno(stdout));
    errno = error_number;
    if (console)
        std::setvbuf(stdout, nullptr, _IONBF, 0);
    else
        std::setvbuf(stdout, stdout_buffer, _IOFBF, sizeof stdout_buffer);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
}

int sync_file(std::FILE* file)
{
    return fsync(fileno(file));
}

int copy_permissions(const char* from, const char* to)
{
    struct stat status;
    if (stat(from, &status) != 0)
        return -1;
    return chmod(to, status.st_mode & 07777);
}

int replace_file(const char* from, const char* to)
{
    return std::rename(from, to);  // replaces an existing target atomically
}

bool is_same_file(const char* first, const char* second)
{
    int error_number = errno;
    struct stat first_status;
    struct stat second_status;
    bool same = stat(first, &first_status) == 0 && stat(second, &second_status) == 0
                && first_status.st_dev == second_status.st_dev
                && first_status.st_ino == second_status.st_ino;
    errno = error_number;
    return same;
}
