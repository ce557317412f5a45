// Writing a skill block into a game executable, through a complete patched copy.
#pragma once

#include "table/block_files.h"
#include "table/outcome.h"

// The named game replaced, through a complete patched copy under copy_name
// in its folder, by one that holds block where its skill block was: DONE,
// NOT_OPENED (the game), COPY_NOT_MADE, NOT_READ, GAME_SHORTER, GAME_LONGER,
// NOT_WRITTEN, NOT_MOVED or NOT_SYNCED. Every outcome but DONE leaves the
// game as it was; NOT_SYNCED, as a replacement says. copy->replacement tells
// of a copy that could not be removed.
Outcome write_game_block(const char* game_name, const char* copy_name, const unsigned char* block, FileCopy* copy);

// write_game_block in two steps, for a caller that changes the block it
// finds: begin_game_copy makes the copy, which holds the game's folder (or,
// on Windows, the copy's name) against every other run, and only then reads
// the game, copying it up to its block and reading the block as it is now,
// raw, into old_block: DONE, NOT_OPENED, COPY_NOT_MADE or NOT_READ. After
// DONE, finish_game_copy writes block in its place and the rest of the game,
// and replaces it (write_game_block's outcomes); or abandon_copy gives up.
Outcome begin_game_copy(const char* game_name, const char* copy_name, FileCopy* copy, unsigned char* old_block);
Outcome finish_game_copy(FileCopy* copy, const unsigned char* block);
