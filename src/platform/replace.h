// Replacing a file the user keeps: the game (command I) and skill block
// files (command S).
//
// A kept file is never written in place. Its new content goes to a new file
// of the program's own beside it, and only a complete, checked new file that
// is on the storage device takes the old one's name, in one step. Whatever
// stops the program (a full disk, a failed write, a kill, a power loss), the
// name holds the whole old content or the whole new content, never a mix.
//
//     Replacement replacement;
//     if (begin_replacement(&replacement, "knight.blk", nullptr) != 0)
//         nothing was created: report the error number
//     write the new content to replacement.file
//     Replaced outcome = finish_replacement(&replacement);
//     report the outcome (and a new file that could not be removed)
//
// begin_replacement(replacement, target, new_name)
//     Creates the new file in target's folder: under new_name when one is
//     given, otherwise under a fresh name made from target's. It is always a
//     new regular file made exclusively by this run. Whatever stood under a
//     given new_name (a copy left by a killed run, a link, a FIFO, another
//     name of some other file) is removed first, never opened or written
//     through; a folder there is refused (EISDIR; EACCES on Windows). Every
//     replacement in one folder holds that folder until it is finished, so
//     that runs replacing files there (an I and an S, or two I) take turns:
//     another run waits for it, for up to HOLD_WAIT_MILLISECONDS, and then
//     fails (EWOULDBLOCK; EACCES on Windows). On Windows no folder is held:
//     a given new_name is held by its own open, and a replacement under a
//     fresh name (a block file, a text) holds TARGET.lock beside target,
//     opened with no sharing and removed when it is closed, so that a lock
//     left by a killed run holds nothing. The new file is its owner's alone (mode 0600, no sharing on
//     Windows) until it is finished. Returns 0 with replacement->file open
//     for binary writing; or -1 with the error number of the failed step,
//     nothing created and nothing held.
//
// finish_replacement(replacement)
//     Gives the new file target's permission bits without set-user-ID,
//     set-group-ID and sticky (a new target gets the usual bits of a new
//     file). Where the file system keeps no permission bits (FAT and exFAT
//     refuse the change), the new file keeps those it was made with. On
//     Linux it also takes target's user.* attributes and access ACL where
//     the file system has them; one that cannot be copied is left out, but
//     never so that anyone gains access: the owning group gets no more than
//     the ACL's group entry under its mask, and an ACL the new file inherited
//     from its folder goes. On Windows it takes target's attributes, the
//     read-only mark among them. Then it flushes the new file, checks that
//     every write reached it (its stream's error mark), syncs it to the
//     storage device, checks that the new name still names the very file
//     this run made, moves it over target in one step, and syncs target's
//     folder, so that the move survives a power loss too. Returns
//         DONE         target holds the new content on the device;
//         NOT_WRITTEN  a step before the move failed: target is as it was and
//                      the new file has been removed;
//         NOT_MOVED    the move failed, or another program had put a file of
//                      its own under the new name (EBUSY, and that file is
//                      left alone): target is as it was;
//         NOT_SYNCED   target holds the new content, but its folder could not
//                      be synced, so a power loss may undo the move.
//     Every outcome but DONE comes with the error number of the failed step.
//
// abandon_replacement(replacement)
//     Closes and removes the new file; target is as it was.
//
// After finish_replacement or abandon_replacement nothing is held and
// replacement->file is closed; removal_error is 0, or the error number of a
// removal that failed, in which case new_name still names the new file and
// the caller must say so. Neither function prints, so a caller can put the
// files in order before it reports (printing can fail, and a closed pipe ends
// the program), and each leaves the error number as it found it unless it
// reports a failure through it.
#pragma once

#include <cstdio>

#include "platform/files.h"

constexpr int REPLACEMENT_NAME_MAX = FINAL_NAME_MAX + 16;  // room for ".XXXXXX.tmp" behind target

enum class Replaced { DONE, NOT_WRITTEN, NOT_MOVED, NOT_SYNCED };

struct Replacement {
    const char* target;
    char new_name[REPLACEMENT_NAME_MAX + 1];
    std::FILE* file;    // the new file, open for writing between begin and finish
    int removal_error;  // set when the new file could not be removed
#ifndef _WIN32
    int folder;                        // target's folder, held open and locked
    unsigned long long device, inode;  // the new file's, to know it again before the move
#else
    void* lock;  // TARGET.lock, held open with no sharing where no new_name is given; or null
#endif
};

int begin_replacement(Replacement* replacement, const char* target, const char* new_name);
Replaced finish_replacement(Replacement* replacement);
void abandon_replacement(Replacement* replacement);
