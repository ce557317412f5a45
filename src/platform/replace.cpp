#include "platform/replace.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/files.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/file.h>
#include <time.h>
#include <unistd.h>
#endif

namespace {

constexpr int RETRY_PAUSE_MILLISECONDS = 10;
constexpr int FRESH_NAME_ATTEMPTS = 100;

void pause_briefly()
{
#ifdef _WIN32
    Sleep(RETRY_PAUSE_MILLISECONDS);
#else
    struct timespec pause = {0, RETRY_PAUSE_MILLISECONDS * 1000000L};
    nanosleep(&pause, nullptr);
#endif
}

long milliseconds_since(std::chrono::steady_clock::time_point start)
{
    auto elapsed = std::chrono::steady_clock::now() - start;
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

// A name beside target that no file is likely to have: target's own name
// with a number and ".tmp" behind it.
void make_fresh_name(Replacement* replacement, int attempt)
{
    static unsigned serial;
    auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    unsigned number = static_cast<unsigned>(now) * 2654435761u + ++serial * 40503u
                      + static_cast<unsigned>(attempt);
    std::snprintf(replacement->new_name, sizeof replacement->new_name, "%s.%06x.tmp",
                  replacement->target, number & 0xffffffu);
}

// The target must be a name, and one short enough to leave room for a fresh one beside it.
int check_target_name(const char* target)
{
    if (target[0] == '\0') {
        errno = ENOENT;
        return -1;
    }
    if (std::strlen(target) > REPLACEMENT_NAME_MAX - 16) {
        errno = ENAMETOOLONG;
        return -1;
    }
    return 0;
}

}  // namespace

#ifdef _WIN32

namespace {

constexpr DWORD KEPT_ATTRIBUTES = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN
                                  | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE
                                  | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

HANDLE handle_of(std::FILE* file)
{
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
}

// Another program (a virus scanner, an indexer) may hold a file for a moment.
bool held_by_another_program()
{
    DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED
           || error == ERROR_LOCK_VIOLATION;
}

HANDLE create_new_file(const char* name)
{
    // No sharing: while it is open no other program can open, remove or
    // rename it, and a second run waits for it to be gone.
    return CreateFileA(name, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// Removes what stands under name, then creates the new file there. A file
// that another run or another program holds is waited for.
HANDLE take_name(const char* name)
{
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        DWORD attributes = GetFileAttributesA(name);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesA(name, attributes & ~FILE_ATTRIBUTE_READONLY);
        HANDLE file = INVALID_HANDLE_VALUE;
        if (DeleteFileA(name) || GetLastError() == ERROR_FILE_NOT_FOUND) {
            file = create_new_file(name);
            if (file != INVALID_HANDLE_VALUE)
                return file;
        }
        bool waits = held_by_another_program() || GetLastError() == ERROR_FILE_EXISTS;
        if (!waits || milliseconds_since(start) >= HOLD_WAIT_MILLISECONDS)
            return INVALID_HANDLE_VALUE;
        pause_briefly();
    }
}

// Removes the new file through its own handle, which alone may touch it.
void remove_new_file(Replacement* replacement)
{
    HANDLE file = handle_of(replacement->file);
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;  // a read-only file cannot be removed
    SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
    FILE_DISPOSITION_INFO disposition = {TRUE};
    if (!SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition)) {
        set_error_number_from_windows();
        replacement->removal_error = errno;
    }
    std::fclose(replacement->file);
    replacement->file = nullptr;
}

int give_attributes(HANDLE file, DWORD attributes)
{
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic) ? 0 : -1;
}

// Renames the open new file over target, retrying while another program
// holds target for a moment.
bool move_over_target(HANDLE file, const char* target)
{
    wchar_t wide_target[MAX_PATH];
    wchar_t full_target[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, target, -1, wide_target, MAX_PATH) == 0)
        return false;
    DWORD length = GetFullPathNameW(wide_target, MAX_PATH, full_target, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return false;
    alignas(FILE_RENAME_INFO) char buffer[sizeof(FILE_RENAME_INFO) + MAX_PATH * sizeof(wchar_t)] = {};
    FILE_RENAME_INFO* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer);
    rename->ReplaceIfExists = TRUE;
    rename->FileNameLength = length * sizeof(wchar_t);
    std::memcpy(rename->FileName, full_target, (length + 1) * sizeof(wchar_t));
    auto start = std::chrono::steady_clock::now();
    while (!SetFileInformationByHandle(file, FileRenameInfo, rename, sizeof buffer)) {
        if (!held_by_another_program() || milliseconds_since(start) >= HOLD_WAIT_MILLISECONDS)
            return false;
        pause_briefly();
    }
    return true;
}

}  // namespace

int begin_replacement(Replacement* replacement, const char* target, const char* new_name)
{
    int error_number = errno;
    replacement->target = target;
    replacement->file = nullptr;
    replacement->folder = -1;
    replacement->removal_error = 0;
    if (check_target_name(target) != 0)
        return -1;
    HANDLE file = INVALID_HANDLE_VALUE;
    if (new_name != nullptr) {
        std::snprintf(replacement->new_name, sizeof replacement->new_name, "%s", new_name);
        file = take_name(new_name);
    } else {
        for (int attempt = 0; attempt < FRESH_NAME_ATTEMPTS; ++attempt) {
            make_fresh_name(replacement, attempt);
            file = create_new_file(replacement->new_name);
            if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
                break;
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        set_error_number_from_windows();
        return -1;
    }
    replacement->file = open_stream_for_handle(file, "wb");
    if (replacement->file == nullptr) {
        int failure = errno;
        DeleteFileA(replacement->new_name);
        errno = failure;
        return -1;
    }
    errno = error_number;
    return 0;
}

int finish_replacement(Replacement* replacement)
{
    int error_number = errno;
    HANDLE file = handle_of(replacement->file);
    DWORD target_attributes = GetFileAttributesA(replacement->target);
    if (target_attributes == INVALID_FILE_ATTRIBUTES)
        target_attributes = 0;
    bool written = std::fflush(replacement->file) == 0 && !std::ferror(replacement->file)
                   && sync_file(replacement->file) == 0;
    if (!written) {
        int failure = errno;
        remove_new_file(replacement);
        errno = failure;
        return REPLACEMENT_NOT_WRITTEN;
    }
    // A read-only target cannot be replaced: the mark comes off for the move
    // and stays on the new file.
    bool read_only = target_attributes & FILE_ATTRIBUTE_READONLY;
    if (read_only)
        SetFileAttributesA(replacement->target, target_attributes & ~FILE_ATTRIBUTE_READONLY);
    bool moved = give_attributes(file, target_attributes & KEPT_ATTRIBUTES) == 0
                 && move_over_target(file, replacement->target);
    if (!moved) {
        set_error_number_from_windows();
        int failure = errno;
        if (read_only)
            SetFileAttributesA(replacement->target, target_attributes);
        remove_new_file(replacement);
        errno = failure;
        return REPLACEMENT_NOT_MOVED;
    }
    std::fclose(replacement->file);  // everything is on the device already
    replacement->file = nullptr;
    errno = error_number;
    return REPLACED;
}

void abandon_replacement(Replacement* replacement)
{
    int error_number = errno;
    remove_new_file(replacement);
    errno = error_number;
}

#else  // POSIX

namespace {

int open_folder_of(const char* target)
{
    char folder[REPLACEMENT_NAME_MAX + 1] = ".";
    const char* slash = std::strrchr(target, '/');
    if (slash != nullptr) {
        size_t length = slash == target ? 1 : static_cast<size_t>(slash - target);
        std::memcpy(folder, target, length);
        folder[length] = '\0';
    }
    return open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// Every run that replaces through a given new name locks the folder first,
// so that no two of them ever share the new file.
int lock_folder(int folder)
{
    auto start = std::chrono::steady_clock::now();
    while (flock(folder, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK || milliseconds_since(start) >= HOLD_WAIT_MILLISECONDS)
            return -1;
        pause_briefly();
    }
    return 0;
}

// Whatever stands under the name goes, a link as a link; a folder stays (EISDIR).
int remove_what_stands(const char* name)
{
    return unlink(name) == 0 || errno == ENOENT ? 0 : -1;
}

// O_EXCL makes a new file or fails; it never follows a link.
int create_new_file(const char* name)
{
    return open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
}

// The bits the new file takes: target's without set-user-ID, set-group-ID
// and sticky, or those a new file gets when target does not exist yet.
int give_permissions(int file, const char* target)
{
    struct stat status;
    mode_t bits;
    if (stat(target, &status) == 0) {
        bits = status.st_mode & 0777;
    } else if (errno == ENOENT) {
        mode_t mask = umask(0);
        umask(mask);
        bits = 0666 & ~mask;
    } else {
        return -1;
    }
    return fchmod(file, bits);
}

// Some file systems cannot sync a folder and say so with EINVAL; there the
// rename is as safe as that file system makes it.
int sync_folder(int folder)
{
    return fsync(folder) == 0 || errno == EINVAL ? 0 : -1;
}

void let_go(Replacement* replacement)
{
    close(replacement->folder);  // also lets go of the lock
    replacement->folder = -1;
}

void remove_new_file(Replacement* replacement)
{
    if (unlink(replacement->new_name) != 0)
        replacement->removal_error = errno;
}

// Ends a failed replacement with the new file gone and the failure's error number.
int give_up(Replacement* replacement, int outcome)
{
    int failure = errno;
    if (replacement->file != nullptr)
        std::fclose(replacement->file);
    replacement->file = nullptr;
    remove_new_file(replacement);
    let_go(replacement);
    errno = failure;
    return outcome;
}

}  // namespace

int begin_replacement(Replacement* replacement, const char* target, const char* new_name)
{
    int error_number = errno;
    replacement->target = target;
    replacement->file = nullptr;
    replacement->removal_error = 0;
    if (check_target_name(target) != 0)
        return -1;
    replacement->folder = open_folder_of(target);
    if (replacement->folder < 0)
        return -1;
    int file = -1;
    if (new_name != nullptr) {
        std::snprintf(replacement->new_name, sizeof replacement->new_name, "%s", new_name);
        if (lock_folder(replacement->folder) == 0 && remove_what_stands(new_name) == 0)
            file = create_new_file(new_name);
    } else {
        for (int attempt = 0; attempt < FRESH_NAME_ATTEMPTS; ++attempt) {
            make_fresh_name(replacement, attempt);
            file = create_new_file(replacement->new_name);
            if (file >= 0 || errno != EEXIST)
                break;
        }
    }
    if (file < 0) {
        int failure = errno;
        let_go(replacement);
        errno = failure;
        return -1;
    }
    replacement->file = fdopen(file, "wb");
    if (replacement->file == nullptr) {
        close(file);
        give_up(replacement, REPLACEMENT_NOT_WRITTEN);
        return -1;
    }
    errno = error_number;
    return 0;
}

int finish_replacement(Replacement* replacement)
{
    int error_number = errno;
    int file = fileno(replacement->file);
    bool written = std::fflush(replacement->file) == 0 && !std::ferror(replacement->file)
                   && give_permissions(file, replacement->target) == 0 && fsync(file) == 0;
    int failure = errno;
    bool closed = std::fclose(replacement->file) == 0;
    replacement->file = nullptr;
    if (!written || !closed) {
        if (!written)
            errno = failure;
        return give_up(replacement, REPLACEMENT_NOT_WRITTEN);
    }
    if (std::rename(replacement->new_name, replacement->target) != 0)
        return give_up(replacement, REPLACEMENT_NOT_MOVED);
    if (sync_folder(replacement->folder) != 0) {
        failure = errno;
        let_go(replacement);
        errno = failure;
        return REPLACEMENT_NOT_MOVED;
    }
    let_go(replacement);
    errno = error_number;
    return REPLACED;
}

void abandon_replacement(Replacement* replacement)
{
    int error_number = errno;
    give_up(replacement, REPLACEMENT_NOT_WRITTEN);
    errno = error_number;
}

#endif
