#pragma once

struct Replacement;

// What write_game_block says beyond a replacement's own outcomes
// (REPLACED, REPLACEMENT_NOT_WRITTEN, REPLACEMENT_NOT_MOVED, REPLACED_NOT_SYNCED).
constexpr int GAME_NOT_FOUND = 10;   // the game cannot be opened; the error number says why
constexpr int COPY_NOT_MADE = 11;    // nor its copy
constexpr int GAME_UNREADABLE = 12;  // a read of the game failed
constexpr int GAME_SHORTER = 13;     // the game is not 1069056 bytes long, but shorter
constexpr int GAME_LONGER = 14;      // or longer
constexpr int COPY_BEGUN = 15;       // begin_game_copy: the copy is made and written up to the block

// I's work without its texts: the named game replaced, through a complete
// patched copy under copy_name in its folder, by one that holds block where
// its skill block was. Every outcome but REPLACED leaves the game as it was;
// REPLACED_NOT_SYNCED, as a replacement says. `copy` tells of a copy that
// could not be removed. Prints nothing.
int write_game_block(const char* game_name, const char* copy_name, const unsigned char* block,
                     Replacement* copy);

// write_game_block in two steps, for a caller that changes the block it
// finds: begin_game_copy makes the copy, which holds the game's folder (or,
// on Windows, the copy's name) against every other run, and only then reads
// the game, copying it up to its block and reading the block as it is now,
// raw, into old_block: COPY_BEGUN, GAME_NOT_FOUND, COPY_NOT_MADE or
// GAME_UNREADABLE. After COPY_BEGUN, finish_game_copy writes block in its
// place and the rest of the game, and replaces it (write_game_block's
// outcomes); or abandon_copy gives up. Print nothing.
int begin_game_copy(const char* game_name, const char* copy_name, Replacement* copy, unsigned char* old_block);
int finish_game_copy(Replacement* copy, const unsigned char* block);

// The command I: the table written into mm7.exe through a complete patched copy.
int insert_into_game();
