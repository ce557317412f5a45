#include "platform/files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

void close_keeping_error_number(std::FILE* file)
{
    int error_number = errno;
    std::fclose(file);
    errno = error_number;
}

#ifdef _WIN32

void set_error_number_from_windows()
{
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH: errno = ENOENT; break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: errno = EACCES; break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: errno = EEXIST; break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: errno = ENOSPC; break;
    case ERROR_NOT_SAME_DEVICE: errno = EXDEV; break;
    case ERROR_WRITE_PROTECT: errno = EROFS; break;
    case ERROR_DIRECTORY: errno = ENOTDIR; break;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE: errno = EINVAL; break;
    default: errno = EIO; break;
    }
}

std::FILE* open_stream_for_handle(void* handle, const char* mode)
{
    int flags = _O_BINARY | (mode[0] == 'r' ? _O_RDONLY : _O_WRONLY);
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (descriptor < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(descriptor, mode);
    if (file == nullptr)
        _close(descriptor);
    return file;
}

bool is_usable_name(const char* name)
{
    int error_number = errno;
    bool usable = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name, -1, nullptr, 0) != 0;
    errno = error_number;
    return usable;
}

namespace {

// Opens a name for looking at what it is; the sharing lets every other
// program go on with the file as it likes.
HANDLE open_to_look_at(const char* name, DWORD access, DWORD flags)
{
    return CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, flags, nullptr);
}

// A folder or a device (NUL, CON, COM1, a pipe) is no file for the commands.
bool is_regular_file(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &information)) {
        errno = EPERM;
        return false;
    }
    if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        errno = EACCES;
        return false;
    }
    return true;
}

// The volume and the file index name a file, whatever path led to it.
bool identify_file(const char* name, BY_HANDLE_FILE_INFORMATION* information)
{
    HANDLE file = open_to_look_at(name, 0, FILE_FLAG_BACKUP_SEMANTICS);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool known = GetFileInformationByHandle(file, information);
    CloseHandle(file);
    return known;
}

}  // namespace

std::FILE* open_for_reading(const char* name)
{
    HANDLE file = open_to_look_at(name, GENERIC_READ, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE) {
        set_error_number_from_windows();
        return nullptr;
    }
    if (!is_regular_file(file)) {
        int error_number = errno;
        CloseHandle(file);
        errno = error_number;
        return nullptr;
    }
    return open_stream_for_handle(file, "rb");
}

FileKind find_file_kind(const char* name)
{
    int error_number = errno;
    HANDLE file = open_to_look_at(name, 0, FILE_FLAG_BACKUP_SEMANTICS);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            errno = error_number;
            return NO_FILE;  // a missing folder shows when the new file is made
        }
        set_error_number_from_windows();
        return UNUSABLE_FILE;
    }
    bool regular = is_regular_file(file);
    int kind_error_number = errno;
    CloseHandle(file);
    errno = regular ? error_number : kind_error_number;
    return regular ? REGULAR_FILE : UNUSABLE_FILE;
}

int check_writable(const char* name)
{
    DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        errno = EACCES;
        return -1;
    }
    return 0;
}

std::FILE* open_through_link(const char* name)
{
    errno = EPERM;  // Windows links are replaced like files, never written through
    (void)name;
    return nullptr;
}

namespace {

int sync_file(std::FILE* file)
{
    return _commit(_fileno(file));
}

}  // namespace

bool is_same_file(const char* first, const char* second)
{
    int error_number = errno;
    BY_HANDLE_FILE_INFORMATION first_file;
    BY_HANDLE_FILE_INFORMATION second_file;
    bool same = identify_file(first, &first_file) && identify_file(second, &second_file)
                && first_file.dwVolumeSerialNumber == second_file.dwVolumeSerialNumber
                && first_file.nFileIndexHigh == second_file.nFileIndexHigh
                && first_file.nFileIndexLow == second_file.nFileIndexLow;
    errno = error_number;
    return same;
}

#else  // POSIX

namespace {

// The error number for a file that is not regular: the name is refused.
int error_number_for_kind(mode_t mode)
{
    return S_ISDIR(mode) ? EISDIR : EPERM;
}

// A descriptor opened without waiting (a FIFO or a device could block in
// open), as a stream, if it is a regular file.
std::FILE* open_stream_if_regular(int descriptor, const char* mode)
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
        file = fdopen(descriptor, mode);
    if (file == nullptr) {
        int error_number = errno;
        close(descriptor);
        errno = error_number;
    }
    return file;
}

}  // namespace

bool is_usable_name(const char*)
{
    return true;  // any bytes but NUL and '/', which name folders
}

std::FILE* open_for_reading(const char* name)
{
    return open_stream_if_regular(open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC), "rb");
}

FileKind find_file_kind(const char* name)
{
    int error_number = errno;
    struct stat status;
    if (lstat(name, &status) != 0) {
        if (errno != ENOENT || name[0] == '\0')
            return UNUSABLE_FILE;
        errno = error_number;
        return NO_FILE;
    }
    if (S_ISLNK(status.st_mode)) {
        if (stat(name, &status) != 0)
            return UNUSABLE_FILE;  // a link that leads nowhere is not followed to make a file
        if (!S_ISREG(status.st_mode)) {
            errno = error_number_for_kind(status.st_mode);
            return UNUSABLE_FILE;
        }
        errno = error_number;
        return LINK_TO_REGULAR_FILE;
    }
    if (!S_ISREG(status.st_mode)) {
        errno = error_number_for_kind(status.st_mode);
        return UNUSABLE_FILE;
    }
    errno = error_number;
    return REGULAR_FILE;
}

int check_writable(const char* name)
{
    int error_number = errno;
    if (access(name, W_OK) != 0 && errno == EACCES)
        return -1;
    errno = error_number;
    return 0;
}

std::FILE* open_through_link(const char* name)
{
    // Not O_CREAT: a link whose file has gone meanwhile makes no new file.
    return open_stream_if_regular(open(name, O_WRONLY | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC),
                                  "wb");
}

namespace {

int sync_file(std::FILE* file)
{
    return fsync(fileno(file));
}

}  // namespace

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

#endif

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
