// The commands L and S: the table from and to a skill block file.
#pragma once

struct Replacement;

// What write_kept_file says beyond a replacement's own outcomes.
constexpr int FILE_NOT_OPENED = -1;  // nothing was written; the error number says why

// L's work without its texts: the block at the start of the named file into
// block (SKILL_BLOCK_SIZE bytes), changed only on BLOCK_READ; or
// BLOCK_NOT_OPENED, BLOCK_NOT_READ, BLOCK_INVALID. Prints nothing.
int read_block_file(const char* name, unsigned char* block);

// S's work without its texts: the named file (a final name, as
// find_final_name gives it) replaced by one that holds `bytes`, safely.
// Only a regular file, not marked read-only, or a name where nothing is,
// unless that name was reached through a link. FILE_NOT_OPENED, or a
// replacement's outcome. Prints nothing.
int write_kept_file(const char* name, bool through_link, const unsigned char* bytes, int size,
                    Replacement* replacement);

int load_skill_block_file();

// S writes nothing before a table was read or edited, I nothing before one
// was read: 1, with the menu and the reason printed, while `loaded` is 0.
int refuse_unloaded_table(int loaded);
int save_skill_block_file();
