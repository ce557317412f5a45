// The commands L and S: the table from and to a skill block file.
#pragma once

struct Replacement;

// What write_kept_file and finish_block_copy say beyond a replacement's own outcomes.
constexpr int FILE_NOT_OPENED = -1;  // nothing was written; the error number says why
constexpr int FILE_NOT_READ = -2;    // a read of the old file failed; nothing was written

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

// A change of the block in a kept file, read where the change is written:
// begin_block_copy begins the file's replacement as write_kept_file does,
// which holds its folder against every other run, and only then reads the
// block the file holds now into old_block, leaving the file open in
// input_file: BLOCK_READ, FILE_NOT_OPENED, or read_block_file's outcomes
// (with nothing left open or held). After BLOCK_READ, finish_block_copy
// writes block, then every byte that followed the old one, and replaces the
// file: FILE_NOT_READ or a replacement's outcome; or abandon_copy gives up.
// Print nothing.
int begin_block_copy(const char* name, bool through_link, Replacement* copy, unsigned char* old_block);
int finish_block_copy(Replacement* copy, const unsigned char* block);

// Closes input_file and removes the new file, before anything is printed, so
// that a failed print (a reader that has gone away) leaves nothing behind.
// Returns outcome.
int abandon_copy(Replacement* copy, int outcome);

int load_skill_block_file();

// S writes nothing before a table was read or edited, I nothing before one
// was read: 1, with the menu and the reason printed, while `loaded` is 0.
int refuse_unloaded_table(int loaded);
int save_skill_block_file();
