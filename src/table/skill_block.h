// The skill block: the table's 1332 bytes in table order, one raw level code
// (0 to 4) a byte, no header. It is the unit of every file transfer.
#pragma once

#include <cstdio>

#include "table/outcome.h"

// Reads a block from file into block (SKILL_BLOCK_SIZE bytes): DONE,
// NOT_READ or INVALID. Every byte is read even after a bad one, so the whole
// block is taken; block is changed only on DONE.
Outcome read_skill_block(std::FILE* file, unsigned char* block);

// Whether every byte of the block is a level from 0 to 4.
bool holds_only_levels(const unsigned char* block);

// Writes the block to file. A failed write shows in the stream's error
// mark, which the caller looks at once the file is flushed.
void write_skill_block(std::FILE* file, const unsigned char* block);
