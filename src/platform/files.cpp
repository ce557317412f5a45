// What opening and looking up files shares between the systems.
#include "platform/files.h"

#include <cerrno>

long milliseconds_since(std::chrono::steady_clock::time_point start)
{
    auto elapsed = std::chrono::steady_clock::now() - start;
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

size_t folder_length(const char* name)
{
    size_t length = 0;
    for (size_t i = 0; name[i] != '\0'; ++i) {
        if (is_folder_separator(name[i]))
            length = i + 1;
    }
    return length;
}

void close_keeping_error_number(std::FILE* file)
{
    int error_number = errno;
    std::fclose(file);
    errno = error_number;
}

int push_to_device(std::FILE* file)
{
    if (std::fflush(file) != 0 || std::ferror(file))
        return -1;
    return sync_file(file);
}

int finish_writing(std::FILE* file)
{
    if (push_to_device(file) != 0) {
        close_keeping_error_number(file);
        return -1;
    }
    return std::fclose(file) == 0 ? 0 : -1;
}
