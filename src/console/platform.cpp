#include "console/platform.h"

#include <cerrno>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
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

#ifdef _WIN32
// The C library's error number for what a failed Windows call left, so that
// the error text comes from the same place as for every other failure.
int error_number_of_last_windows_error()
{
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    default: return EIO;
    }
}

// The volume and the file index name a file, whatever path led to it.
bool identify_file(const char* name, BY_HANDLE_FILE_INFORMATION* information)
{
    HANDLE file = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool known = GetFileInformationByHandle(file, information);
    CloseHandle(file);
    return known;
}
#endif

}  // namespace

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
    bool console = is_console(stdout);
    errno = error_number;
    if (console)
        std::setvbuf(stdout, nullptr, _IONBF, 0);
    else
        std::setvbuf(stdout, stdout_buffer, _IOFBF, sizeof stdout_buffer);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
}

int sync_file(std::FILE* file)
{
#ifdef _WIN32
    return _commit(_fileno(file));
#else
    return fsync(fileno(file));
#endif
}

int copy_permissions(const char* from, const char* to)
{
#ifdef _WIN32
    // The moved copy keeps the access rights it was created with, those of the
    // game's folder; the read-only mark is not copied, since a read-only copy
    // could not be removed after a failed replacement.
    (void)from;
    (void)to;
    return 0;
#else
    struct stat status;
    if (stat(from, &status) != 0)
        return -1;
    return chmod(to, status.st_mode & 07777);
#endif
}

int replace_file(const char* from, const char* to)
{
#ifdef _WIN32
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    errno = error_number_of_last_windows_error();
    return -1;
#else
    return std::rename(from, to);  // replaces an existing target atomically
#endif
}

bool is_same_file(const char* first, const char* second)
{
    int error_number = errno;
#ifdef _WIN32
    BY_HANDLE_FILE_INFORMATION first_file;
    BY_HANDLE_FILE_INFORMATION second_file;
    bool same = identify_file(first, &first_file) && identify_file(second, &second_file)
                && first_file.dwVolumeSerialNumber == second_file.dwVolumeSerialNumber
                && first_file.nFileIndexHigh == second_file.nFileIndexHigh
                && first_file.nFileIndexLow == second_file.nFileIndexLow;
#else
    struct stat first_status;
    struct stat second_status;
    bool same = stat(first, &first_status) == 0 && stat(second, &second_status) == 0
                && first_status.st_dev == second_status.st_dev
                && first_status.st_ino == second_status.st_ino;
#endif
    errno = error_number;
    return same;
}
