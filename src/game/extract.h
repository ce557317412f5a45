// Reading the skill block out of a game executable.
#pragma once

#include "table/outcome.h"

// The block of the named game executable into block (SKILL_BLOCK_SIZE
// bytes), changed only on DONE; or NOT_OPENED, NOT_READ, INVALID,
// ENDS_BEFORE_BLOCK with the game's length.
Result read_game_block(const char* name, unsigned char* block);
