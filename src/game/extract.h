#pragma once

// What read_game_block says of the game it read.
constexpr int GAME_READ = 0;
constexpr int GAME_NOT_OPENED = 1;  // the error number says why
constexpr int GAME_TOO_SHORT = 2;   // it ends before the block; byte_counter is its length
constexpr int GAME_NOT_READ = 3;    // a read failed; the error number says why
constexpr int GAME_INVALID = 4;     // the block holds a level above 4, or the file ends in it

// E's work without its texts: the block of the named game executable into
// block (SKILL_BLOCK_SIZE bytes), changed only on GAME_READ. Prints nothing.
int read_game_block(const char* name, unsigned char* block);

// The command E: the table read out of mm7.exe.
int extract_from_game();
