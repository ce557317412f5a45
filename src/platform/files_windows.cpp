// Files on Windows: handles opened with the sharing the program needs, and
// the volume and file index for telling files apart.
#include "platform/files.h"

#include <cerrno>
#include <chrono>
#include <cwchar>
#include <string>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

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
    case ERROR_BAD_PATHNAME: errno = EINVAL; break;
    case ERROR_FILENAME_EXCED_RANGE: errno = ENAMETOOLONG; break;
    case ERROR_CALL_NOT_IMPLEMENTED:
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION: errno = ENOSYS; break;
    case ERROR_BUSY: errno = EBUSY; break;
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
    // A program that holds the file with no sharing (a virus scanner, the
    // game's own installer) is waited for a moment.
    auto start = std::chrono::steady_clock::now();
    HANDLE file;
    while ((file = open_to_look_at(name, GENERIC_READ, FILE_ATTRIBUTE_NORMAL)) == INVALID_HANDLE_VALUE) {
        bool held = GetLastError() == ERROR_SHARING_VIOLATION || GetLastError() == ERROR_LOCK_VIOLATION;
        if (!held || milliseconds_since(start) >= HOLD_WAIT_MILLISECONDS) {
            set_error_number_from_windows();
            return nullptr;
        }
        pause_briefly();
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
            return FileKind::NONE;  // a missing folder shows when the new file is made
        }
        set_error_number_from_windows();
        return FileKind::UNUSABLE;
    }
    bool regular = is_regular_file(file);
    int kind_error_number = errno;
    CloseHandle(file);
    errno = regular ? error_number : kind_error_number;
    return regular ? FileKind::REGULAR : FileKind::UNUSABLE;
}

int check_folder_writable(const char* name)
{
    std::string folder(name, folder_length(name));
    HANDLE handle = open_to_look_at(folder.empty() ? "." : folder.c_str(), FILE_ADD_FILE, FILE_FLAG_BACKUP_SEMANTICS);
    if (handle == INVALID_HANDLE_VALUE) {
        set_error_number_from_windows();
        return -1;
    }
    CloseHandle(handle);
    return 0;
}

bool is_special_file(const char* name)
{
    int error_number = errno;
    HANDLE file = open_to_look_at(name, 0, FILE_FLAG_BACKUP_SEMANTICS);
    bool special = false;
    if (file != INVALID_HANDLE_VALUE) {
        DWORD type = GetFileType(file);
        special = type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
        CloseHandle(file);
    }
    errno = error_number;
    return special;
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

int sync_file(std::FILE* file)
{
    return _commit(_fileno(file));
}

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

void pause_briefly()
{
    Sleep(RETRY_PAUSE_MILLISECONDS);
}

bool is_folder_separator(char c)
{
    return c == '\\' || c == '/' || c == ':';
}

namespace {

wchar_t typed_name[LONG_PATH_MAX];
wchar_t full_name[LONG_PATH_MAX];

bool starts_with(const wchar_t* text, const wchar_t* start)
{
    return std::wcsncmp(text, start, std::wcslen(start)) == 0;
}

}  // namespace

long find_full_path(const wchar_t* name, wchar_t* full)
{
    DWORD length = GetFullPathNameW(name, LONG_PATH_MAX, full, nullptr);
    if (length == 0) {
        set_error_number_from_windows();
        return -1;
    }
    if (length >= LONG_PATH_MAX - 8) {  // room for the \\?\UNC form
        errno = ENAMETOOLONG;
        return -1;
    }
    return static_cast<long>(length);
}

int find_final_name(const char* name, char* final_name, bool* through_link)
{
    *through_link = false;  // Windows links are replaced as files
    int error_number = errno;
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name, -1, typed_name, LONG_PATH_MAX) == 0) {
        set_error_number_from_windows();
        return -1;
    }
    // The raw forms are taken as the plain names they stand for, so that
    // Windows resolves them, and drops trailing dots and spaces, as it
    // would for any other name.
    const wchar_t* plain = typed_name;
    if (starts_with(typed_name, L"\\\\?\\UNC\\")) {
        plain = typed_name + 6;
        typed_name[6] = L'\\';
    } else if (starts_with(typed_name, L"\\\\?\\") || starts_with(typed_name, L"\\\\.\\")) {
        plain = typed_name + 4;
    }
    if (plain[0] == L'\0') {
        errno = ENOENT;
        return -1;
    }
    if (find_full_path(plain, full_name) < 0)
        return -1;
    if (starts_with(full_name, L"\\\\.\\") || starts_with(full_name, L"\\\\?\\")) {
        errno = EPERM;  // a device, such as NUL or COM1
        return -1;
    }
    // A colon past the drive's names a stream of a file, not a file.
    bool unc = starts_with(full_name, L"\\\\");
    if (std::wcschr(full_name + (unc ? 0 : 2), L':') != nullptr) {
        errno = EINVAL;
        return -1;
    }
    static wchar_t long_form[LONG_PATH_MAX + 8];
    std::swprintf(long_form, LONG_PATH_MAX + 8, unc ? L"\\\\?\\UNC%ls" : L"\\\\?\\%ls",
                  unc ? full_name + 1 : full_name);
    if (WideCharToMultiByte(CP_ACP, 0, long_form, -1, final_name, FINAL_NAME_MAX + 1, nullptr, nullptr) == 0) {
        errno = GetLastError() == ERROR_INSUFFICIENT_BUFFER ? ENAMETOOLONG : EINVAL;
        return -1;
    }
    errno = error_number;
    return 0;
}
