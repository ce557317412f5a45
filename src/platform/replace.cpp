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

// A replacement that holds nothing yet. The target must be a name, and one
// short enough to leave room for a fresh one beside it.
int prepare_replacement(Replacement* replacement, const char* target, const char* new_name)
{
    replacement->target = target;
    replacement->file = nullptr;
    replacement->folder = -1;
    replacement->removal_error = 0;
    if (new_name != nullptr)
        std::snprintf(replacement->new_name, sizeof replacement->new_name, "%s", new_name);
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

// A stream for a new file under name, or nullptr (EEXIST where the name is taken).
std::FILE* create_new_file(const char* name)
{
    // No sharing: while it is open no other program can open, remove or
    // rename it, and a second run waits for it to be gone.
    HANDLE file = CreateFileA(name, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        set_error_number_from_windows();
        return nullptr;
    }
    std::FILE* stream = open_stream_for_handle(file, "wb");
    if (stream == nullptr) {
        int failure = errno;
        DeleteFileA(name);
        errno = failure;
    }
    return stream;
}

int hold_folder(Replacement*)
{
    return 0;  // the new file's own open, with no sharing, keeps other runs off
}

void let_go(Replacement*)
{
}

// Removes what stands under the new name, then creates the new file there.
// A file that another run or another program holds is waited for.
std::FILE* take_name(Replacement* replacement)
{
    const char* name = replacement->new_name;
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        DWORD attributes = GetFileAttributesA(name);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            errno = EACCES;
            return nullptr;
        }
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesA(name, attributes & ~FILE_ATTRIBUTE_READONLY);
        std::FILE* file = nullptr;
        if (DeleteFileA(name) || GetLastError() == ERROR_FILE_NOT_FOUND)
            file = create_new_file(name);
        else
            set_error_number_from_windows();
        // A file held open, or removed but not yet gone, shows as EACCES.
        bool held = errno == EACCES || errno == EEXIST;
        if (file != nullptr || !held || milliseconds_since(start) >= HOLD_WAIT_MILLISECONDS)
            return file;
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

int finish_replacement(Replacement* replacement)
{
    int error_number = errno;
    HANDLE file = handle_of(replacement->file);
    DWORD target_attributes = GetFileAttributesA(replacement->target);
    if (target_attributes == INVALID_FILE_ATTRIBUTES)
        target_attributes = 0;
    if (push_to_device(replacement->file) != 0) {
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

int hold_folder(Replacement* replacement)
{
    char folder[REPLACEMENT_NAME_MAX + 1] = ".";
    const char* slash = std::strrchr(replacement->target, '/');
    if (slash != nullptr) {
        size_t length = slash == replacement->target ? 1 : static_cast<size_t>(slash - replacement->target);
        std::memcpy(folder, replacement->target, length);
        folder[length] = '\0';
    }
    replacement->folder = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return replacement->folder < 0 ? -1 : 0;
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

// A stream for a new file under name, or nullptr (EEXIST where the name is
// taken). O_EXCL makes a new file or fails; it never follows a link.
std::FILE* create_new_file(const char* name)
{
    int file = open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
    if (file < 0)
        return nullptr;
    std::FILE* stream = fdopen(file, "wb");
    if (stream == nullptr) {
        int failure = errno;
        close(file);
        unlink(name);
        errno = failure;
    }
    return stream;
}

std::FILE* take_name(Replacement* replacement)
{
    if (lock_folder(replacement->folder) != 0 || remove_what_stands(replacement->new_name) != 0)
        return nullptr;
    return create_new_file(replacement->new_name);
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

int finish_replacement(Replacement* replacement)
{
    int error_number = errno;
    if (give_permissions(fileno(replacement->file), replacement->target) != 0)
        return give_up(replacement, REPLACEMENT_NOT_WRITTEN);
    int written = finish_writing(replacement->file);
    replacement->file = nullptr;  // closed either way
    if (written != 0)
        return give_up(replacement, REPLACEMENT_NOT_WRITTEN);
    if (std::rename(replacement->new_name, replacement->target) != 0)
        return give_up(replacement, REPLACEMENT_NOT_MOVED);
    if (sync_folder(replacement->folder) != 0) {
        int failure = errno;
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

int begin_replacement(Replacement* replacement, const char* target, const char* new_name)
{
    int error_number = errno;
    if (prepare_replacement(replacement, target, new_name) != 0 || hold_folder(replacement) != 0)
        return -1;
    if (new_name != nullptr) {
        replacement->file = take_name(replacement);
    } else {
        for (int attempt = 0; attempt < FRESH_NAME_ATTEMPTS; ++attempt) {
            make_fresh_name(replacement, attempt);
            replacement->file = create_new_file(replacement->new_name);
            if (replacement->file != nullptr || errno != EEXIST)
                break;
        }
    }
    if (replacement->file == nullptr) {
        int failure = errno;
        let_go(replacement);
        errno = failure;
        return -1;
    }
    errno = error_number;
    return 0;
}
