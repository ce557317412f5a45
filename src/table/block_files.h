// The commands L and S: the table from and to a skill block file.
#pragma once

#include "table/outcome.h"

struct Replacement;

// L's work without its texts: the block at the start of the named file into
// block (SKILL_BLOCK_SIZE bytes), changed only on DONE; or NOT_OPENED,
// NOT_READ, INVALID. Prints nothing.
Outcome read_block_file(const char* name, unsigned char* block);

// S's work without its texts: the named file (a final name, as
// find_final_name gives it) replaced by one that holds `bytes`, safely.
// Only a regular file, not marked read-only, or a name where nothing is,
// unless that name was reached through a link. NOT_OPENED (nothing was
// written), or a replacement's outcome. Prints nothing.
Outcome write_kept_file(const char* name, bool through_link, const unsigned char* bytes, int size,
                        Replacement* replacement);

// A change of the block in a kept file, read where the change is written:
// begin_block_copy begins the file's replacement as write_kept_file does,
// which holds its folder against every other run, and only then reads the
// block the file holds now into old_block, leaving the file open in
// input_file: read_block_file's outcomes (but DONE with nothing left open or
// held). After DONE, finish_block_copy writes block, then every byte that
// followed the old one, and replaces the file: NOT_READ (nothing was
// written) or a replacement's outcome; or abandon_copy gives up. Print
// nothing.
Outcome begin_block_copy(const char* name, bool through_link, Replacement* copy, unsigned char* old_block);
Outcome finish_block_copy(Replacement* copy, const unsigned char* block);

// Closes input_file and removes the new file, before anything is printed, so
// that a failed print (a reader that has gone away) leaves nothing behind.
// Returns outcome.
Outcome abandon_copy(Replacement* copy, Outcome outcome);

int load_skill_block_file();

// S writes nothing before a table was read or edited, I nothing before one
// was read: 1, with the menu and the reason printed, while `loaded` is 0.
int refuse_unloaded_table(int loaded);
int save_skill_block_file();
