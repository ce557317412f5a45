// Reading the skill block out of a game executable.
#pragma once

#include "table/outcome.h"

// Which games a reading takes: the menu's E takes any that holds a block;
// the command line only one of the length this program knows.
enum class GameLength { ANY, KNOWN };

// The block of the named game executable into block (SKILL_BLOCK_SIZE
// bytes), changed only on DONE; or NOT_OPENED, NOT_READ, INVALID,
// ENDS_BEFORE_BLOCK with the game's length; with KNOWN, also GAME_SHORTER or
// GAME_LONGER for a game that holds its block but is not GAME_EXE_SIZE
// bytes long (before INVALID: the length tells first).
Result read_game_block(const char* name, unsigned char* block, GameLength length);
