#pragma once

// What read_game_block says beyond BLOCK_READ, BLOCK_NOT_OPENED,
// BLOCK_NOT_READ and BLOCK_INVALID.
constexpr int GAME_TOO_SHORT = 4;  // it ends before the block; byte_counter is its length

// E's work without its texts: the block of the named game executable into
// block (SKILL_BLOCK_SIZE bytes), changed only on BLOCK_READ. Prints nothing.
int read_game_block(const char* name, unsigned char* block);

// The command E: the table read out of mm7.exe.
int extract_from_game();
