// The halves of a replacement that each system does its own way
// (replace_posix.cpp, replace_windows.cpp); replace.cpp holds the rest.
#pragma once

#include <cstdio>

#include "platform/replace.h"

// Holds target's folder for the whole replacement: 0, or -1 with the error
// number set and nothing held.
int hold_folder(Replacement* replacement);

// Removes what stands under the given new name and creates the new file
// there, waiting for a holder to let go; nullptr with the error number set.
std::FILE* take_name(Replacement* replacement);

// A stream for a new file under the new name, or nullptr (EEXIST where the
// name is taken). Records which file it is.
std::FILE* create_new_file(Replacement* replacement);

// Lets go of the folder.
void let_go(Replacement* replacement);

// On POSIX, what the new file (an open descriptor) takes from target before
// the move: its permission bits, user.* attributes and access ACL, as
// finish_replacement describes. 0, or -1 with the error number of a step
// that would otherwise give someone access the old file did not.
int give_old_attributes(int file, const char* target);
