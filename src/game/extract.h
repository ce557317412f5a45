#pragma once

#include "table/outcome.h"

// E's work without its texts: the block of the named game executable into
// block (SKILL_BLOCK_SIZE bytes), changed only on DONE; or NOT_OPENED,
// NOT_READ, INVALID, ENDS_BEFORE_BLOCK. Prints nothing.
Outcome read_game_block(const char* name, unsigned char* block);

// The command E: the table read out of mm7.exe.
int extract_from_game();
