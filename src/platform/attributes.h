// What a new file takes over from the file it replaces, on Linux.
#pragma once

// Gives the new file (an open descriptor) target's permission bits,
// user.* attributes and access ACL, as finish_replacement describes. 0, or
// -1 with the error number of a step that would otherwise give someone
// access the old file did not.
int give_old_attributes(int file, const char* target);
