// Replacing a file on POSIX: the folder locked with flock for the whole
// replacement, the new file made with O_EXCL, moved with rename.
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/attributes.h"
#include "platform/replace_system.h"

namespace {

// Every run that replaces a file in a folder locks the folder first, so
// that two of them never share a new file or move over each other.
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

// Whether the new name still names the file this run made: 0; or -1 with
// EBUSY where another program that takes no lock has put a file of its own
// there (or taken the name away), or the look-up's own error number.
int check_new_name(const Replacement* replacement)
{
    struct stat status;
    if (lstat(replacement->new_name, &status) != 0) {
        if (errno == ENOENT)
            errno = EBUSY;
        return -1;
    }
    if (status.st_dev != replacement->device || status.st_ino != replacement->inode) {
        errno = EBUSY;
        return -1;
    }
    return 0;
}

// Some file systems cannot sync a folder and say so with EINVAL; there the
// rename is as safe as that file system makes it.
int sync_folder(int folder)
{
    return fsync(folder) == 0 || errno == EINVAL ? 0 : -1;
}

void remove_new_file(Replacement* replacement)
{
    if (unlink(replacement->new_name) != 0)
        replacement->removal_error = errno;
}

// Lets go of the folder, and so of its lock.
void let_go(Replacement* replacement)
{
    if (replacement->folder >= 0)
        close(replacement->folder);
    replacement->folder = -1;
}

// Ends a failed replacement with the failure's error number, the new file
// removed unless another program's file has taken its name.
Replaced give_up(Replacement* replacement, Replaced outcome, bool remove = true)
{
    int failure = errno;
    if (replacement->file != nullptr)
        std::fclose(replacement->file);
    replacement->file = nullptr;
    if (remove)
        remove_new_file(replacement);
    let_go(replacement);
    errno = failure;
    return outcome;
}

// Holds target's folder, locked, for the whole replacement: 0, or -1 with
// the error number set and nothing held.
int hold_folder(Replacement* replacement)
{
    char folder[REPLACEMENT_NAME_MAX + 1] = ".";
    size_t length = folder_length(replacement->target);  // "dir/" names the folder as "dir" does
    if (length > 0) {
        std::memcpy(folder, replacement->target, length);
        folder[length] = '\0';
    }
    replacement->folder = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (replacement->folder < 0)
        return -1;
    if (lock_folder(replacement->folder) != 0) {
        int failure = errno;
        let_go(replacement);
        errno = failure;
        return -1;
    }
    return 0;
}

}  // namespace

std::FILE* create_new_file(Replacement* replacement)
{
    // O_EXCL makes a new file or fails; it never follows a link.
    const char* name = replacement->new_name;
    int file = open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
    if (file < 0)
        return nullptr;
    struct stat status;
    std::FILE* stream = nullptr;
    if (fstat(file, &status) == 0)
        stream = fdopen(file, "wb");
    if (stream == nullptr) {
        int failure = errno;
        close(file);
        unlink(name);
        errno = failure;
        return nullptr;
    }
    replacement->device = status.st_dev;
    replacement->inode = status.st_ino;
    return stream;
}

int begin_replacement(Replacement* replacement, const char* target, const char* new_name)
{
    int error_number = errno;
    replacement->folder = -1;
    if (prepare_replacement(replacement, target, new_name) != 0 || hold_folder(replacement) != 0)
        return -1;
    if (new_name == nullptr)
        replacement->file = create_fresh_file(replacement);
    else if (remove_what_stands(replacement->new_name) == 0)
        replacement->file = create_new_file(replacement);
    if (replacement->file == nullptr) {
        give_up(replacement, Replaced::NOT_WRITTEN, false);  // nothing was made
        return -1;
    }
    errno = error_number;
    return 0;
}

Replaced finish_replacement(Replacement* replacement)
{
    int error_number = errno;
    if (give_old_attributes(fileno(replacement->file), replacement->target) != 0)
        return give_up(replacement, Replaced::NOT_WRITTEN);
    int written = finish_writing(replacement->file);
    replacement->file = nullptr;  // closed either way
    if (written != 0)
        return give_up(replacement, Replaced::NOT_WRITTEN);
    // This cannot shut out a program that replaces the new file between the
    // look and the move; it catches any that did so before.
    if (check_new_name(replacement) != 0)
        return give_up(replacement, Replaced::NOT_MOVED, errno != EBUSY);
    if (std::rename(replacement->new_name, replacement->target) != 0)
        return give_up(replacement, Replaced::NOT_MOVED);
    if (sync_folder(replacement->folder) != 0)
        return give_up(replacement, Replaced::NOT_SYNCED, false);
    let_go(replacement);
    errno = error_number;
    return Replaced::DONE;
}

void abandon_replacement(Replacement* replacement)
{
    int error_number = errno;
    give_up(replacement, Replaced::NOT_WRITTEN);
    errno = error_number;
}
