// The skill block: the table's 1332 bytes in table order, one raw level code
// (0 to 4) a byte, no header. It is the unit of every file transfer.
#pragma once

#include <cstdio>

// The files the running command has open; it closes them before it returns.
extern std::FILE* input_file;
extern std::FILE* output_file;

// What read_skill_block says of the block it read.
constexpr int BLOCK_READ = 0;
constexpr int BLOCK_NOT_READ = 1;    // a read failed; the error number says why
constexpr int BLOCK_INVALID = 2;     // a level above 4, or the file ended early
constexpr int BLOCK_NOT_OPENED = 3;  // (for the commands that open the file) the error number says why

// Reads a block from file into block (SKILL_BLOCK_SIZE bytes). Every byte is
// read even after a bad one, so the whole block is taken; block is changed
// only when the answer is BLOCK_READ.
int read_skill_block(std::FILE* file, unsigned char* block);

// Writes the block to file. A failed write shows in the stream's error
// mark, which the caller looks at once the file is flushed.
void write_skill_block(std::FILE* file, const unsigned char* block);

// What the menu says of a block with invalid data, before it ends the program.
void end_on_invalid_data();
