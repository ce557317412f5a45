// Files on Linux and other POSIX systems.
#include "platform/files.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr int LINKS_FOLLOWED_MAX = 40;  // as many as the system itself follows

// The error number for a file that is not regular: the name is refused.
int error_number_for_kind(mode_t mode)
{
    return S_ISDIR(mode) ? EISDIR : EPERM;
}

// A descriptor opened without waiting (a FIFO or a device could block in
// open), as a stream for reading, if it is a regular file.
std::FILE* open_stream_if_regular(int descriptor)
{
    if (descriptor < 0)
        return nullptr;
    struct stat status;
    std::FILE* file = nullptr;
    if (fstat(descriptor, &status) != 0)
        ;
    else if (!S_ISREG(status.st_mode))
        errno = error_number_for_kind(status.st_mode);
    else
        file = fdopen(descriptor, "rb");
    if (file == nullptr) {
        int error_number = errno;
        close(descriptor);
        errno = error_number;
    }
    return file;
}

}  // namespace

std::FILE* open_for_reading(const char* name)
{
    return open_stream_if_regular(open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
}

FileKind find_file_kind(const char* name)
{
    int error_number = errno;
    struct stat status;
    if (stat(name, &status) != 0) {
        if (errno != ENOENT || name[0] == '\0')
            return FileKind::UNUSABLE;
        errno = error_number;
        return FileKind::NONE;
    }
    if (!S_ISREG(status.st_mode)) {
        errno = error_number_for_kind(status.st_mode);
        return FileKind::UNUSABLE;
    }
    errno = error_number;
    return FileKind::REGULAR;
}

int check_folder_writable(const char* name)
{
    std::string folder(name, folder_length(name));
    return faccessat(AT_FDCWD, folder.empty() ? "." : folder.c_str(), W_OK, AT_EACCESS);
}

bool is_special_file(const char* name)
{
    int error_number = errno;
    struct stat status;
    bool special = stat(name, &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
    errno = error_number;
    return special;
}

bool is_folder_separator(char c)
{
    return c == '/';
}

int find_final_name(const char* name, char* final_name, bool* through_link)
{
    *through_link = false;
    if (std::strlen(name) > FINAL_NAME_MAX) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::strcpy(final_name, name);
    int error_number = errno;
    for (int links = 0;; ++links) {
        struct stat status;
        if (lstat(final_name, &status) != 0) {
            errno = error_number;
            return 0;  // what stands there (or does not) is found out later
        }
        if (!S_ISLNK(status.st_mode)) {
            errno = error_number;
            return 0;
        }
        if (links == LINKS_FOLLOWED_MAX) {
            errno = ELOOP;
            return -1;
        }
        *through_link = true;
        char link[FINAL_NAME_MAX + 1];
        ssize_t length = readlink(final_name, link, FINAL_NAME_MAX);
        if (length < 0)
            return -1;
        link[length] = '\0';
        // A relative link leads on from the folder that holds it.
        size_t folder = link[0] == '/' ? 0 : folder_length(final_name);
        if (folder + static_cast<size_t>(length) > FINAL_NAME_MAX) {
            errno = ENAMETOOLONG;
            return -1;
        }
        std::memcpy(final_name + folder, link, static_cast<size_t>(length) + 1);
    }
}

void pause_briefly()
{
    struct timespec pause = {0, RETRY_PAUSE_MILLISECONDS * 1000000L};
    nanosleep(&pause, nullptr);
}

int check_writable(const char* name)
{
    int error_number = errno;
    if (access(name, W_OK) != 0 && errno == EACCES)
        return -1;
    errno = error_number;
    return 0;
}

int sync_file(std::FILE* file)
{
    return fsync(fileno(file));
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
