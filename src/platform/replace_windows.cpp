// Replacing a file on Windows: the new file opened with no sharing, which
// keeps every other run and program off it, and renamed over the target
// through its own handle, so there is no moment between closing and moving it.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <io.h>
#include <windows.h>

#include "platform/files.h"
#include "platform/replace_system.h"

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

}  // namespace

std::FILE* create_new_file(Replacement* replacement)
{
    const char* name = replacement->new_name;
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

namespace {

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
            file = create_new_file(replacement);
        else
            set_error_number_from_windows();
        // A file held open, or removed but not yet gone, shows as EACCES.
        bool held = errno == EACCES || errno == EEXIST;
        if (file != nullptr || !held || milliseconds_since(start) >= HOLD_WAIT_MILLISECONDS)
            return file;
        pause_briefly();
    }
}

// TARGET.lock, beside the target's final name, opened with no sharing and
// removed when closed: a second run that changes the same file waits for
// it, as for a held folder on Linux. A lock that is being removed shows as
// ERROR_ACCESS_DENIED, and is waited for too. 0, or -1 with the error number.
int take_lock(Replacement* replacement)
{
    char name[REPLACEMENT_NAME_MAX + 1];
    std::snprintf(name, sizeof name, "%s.lock", replacement->target);
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        HANDLE lock = CreateFileA(name, GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (lock != INVALID_HANDLE_VALUE) {
            replacement->lock = lock;
            return 0;
        }
        if (!held_by_another_program() || milliseconds_since(start) >= HOLD_WAIT_MILLISECONDS) {
            set_error_number_from_windows();
            return -1;
        }
        pause_briefly();
    }
}

void release_lock(Replacement* replacement)
{
    if (replacement->lock != nullptr)
        CloseHandle(replacement->lock);
    replacement->lock = nullptr;
}

// Removes the new file through its own handle, which alone may touch it,
// leaving the error number as it was.
void remove_new_file(Replacement* replacement)
{
    int error_number = errno;
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
    release_lock(replacement);
    errno = error_number;
}

int give_attributes(HANDLE file, DWORD attributes)
{
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic) ? 0 : -1;
}

// Renames the open new file over target, retrying while another program
// holds target for a moment. 0, or -1 with the error number set.
int move_over_target(HANDLE file, const char* target)
{
    static wchar_t wide_target[FINAL_NAME_MAX + 1];
    static wchar_t full_target[LONG_PATH_MAX];
    static char buffer[sizeof(FILE_RENAME_INFO) + LONG_PATH_MAX * sizeof(wchar_t)];
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, target, -1, wide_target, FINAL_NAME_MAX + 1) == 0) {
        errno = EINVAL;
        return -1;
    }
    long length = find_full_path(wide_target, full_target);
    if (length < 0)
        return -1;
    std::memset(buffer, 0, sizeof buffer);
    FILE_RENAME_INFO* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer);
    rename->ReplaceIfExists = TRUE;
    rename->FileNameLength = static_cast<DWORD>(length * sizeof(wchar_t));
    std::memcpy(rename->FileName, full_target, static_cast<size_t>(length + 1) * sizeof(wchar_t));
    auto start = std::chrono::steady_clock::now();
    while (!SetFileInformationByHandle(file, FileRenameInfo, rename, sizeof buffer)) {
        if (!held_by_another_program() || milliseconds_since(start) >= HOLD_WAIT_MILLISECONDS) {
            set_error_number_from_windows();
            return -1;
        }
        pause_briefly();
    }
    return 0;
}

}  // namespace

// No folder is held: the new file's own open, with no sharing, keeps other
// runs off a given new name, and TARGET.lock off a target that gets a fresh one.
int begin_replacement(Replacement* replacement, const char* target, const char* new_name)
{
    int error_number = errno;
    replacement->lock = nullptr;
    if (prepare_replacement(replacement, target, new_name) != 0)
        return -1;
    if (new_name == nullptr && take_lock(replacement) != 0)
        return -1;
    replacement->file = new_name != nullptr ? take_name(replacement) : create_fresh_file(replacement);
    if (replacement->file == nullptr) {
        int failure = errno;
        release_lock(replacement);
        errno = failure;
        return -1;
    }
    errno = error_number;
    return 0;
}

Replaced finish_replacement(Replacement* replacement)
{
    int error_number = errno;
    HANDLE file = handle_of(replacement->file);
    DWORD target_attributes = GetFileAttributesA(replacement->target);
    if (target_attributes == INVALID_FILE_ATTRIBUTES)
        target_attributes = 0;
    if (push_to_device(replacement->file) != 0) {
        remove_new_file(replacement);
        return Replaced::NOT_WRITTEN;
    }
    // A read-only target cannot be replaced: the mark comes off for the move
    // and stays on the new file.
    bool read_only = target_attributes & FILE_ATTRIBUTE_READONLY;
    if (read_only)
        SetFileAttributesA(replacement->target, target_attributes & ~FILE_ATTRIBUTE_READONLY);
    // Attributes that cannot be given (FAT through FUSE, under Wine) do not
    // stop the replacement, except the read-only mark, which S and I keep.
    bool moved = false;
    if (give_attributes(file, target_attributes & KEPT_ATTRIBUTES) != 0 && read_only)
        set_error_number_from_windows();
    else
        moved = move_over_target(file, replacement->target) == 0;
    if (!moved) {
        int failure = errno;
        if (read_only)
            SetFileAttributesA(replacement->target, target_attributes);
        errno = failure;
        remove_new_file(replacement);
        return Replaced::NOT_MOVED;
    }
    std::fclose(replacement->file);  // everything is on the device already
    replacement->file = nullptr;
    release_lock(replacement);
    errno = error_number;
    return Replaced::DONE;
}

void abandon_replacement(Replacement* replacement)
{
    remove_new_file(replacement);
}
