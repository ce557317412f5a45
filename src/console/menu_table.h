// What the menu keeps for the whole run: the table it shows and edits, and
// what its commands have done. Only the menu touches these; the work below
// it takes tables and files as parameters, and the menu copies into and out
// of them.
#pragma once

#include <cstdint>

#include "table/skill_table.h"

extern unsigned char skill_table[SKILL_BLOCK_SIZE];
extern int table_loaded;  // set once a block was read or an entry edited
// Set once a whole block came from a game or a file: only such a table goes
// into the game, never one made of edits alone, which would wipe every
// other skill there.
extern int table_read;

// How far E or I got through the game executable: the length of one that
// ended before its block.
extern std::int32_t byte_counter;
