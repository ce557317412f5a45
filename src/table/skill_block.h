// The skill block: the table's 1332 bytes in table order, one raw level code
// (0 to 4) a byte, no header. It is the unit of every file transfer.
#pragma once

#include <cstdio>

// The files the running command has open; it closes them before it returns.
extern std::FILE* input_file;
extern std::FILE* output_file;

// Reads a block from input_file into the table and sets table_loaded. A block
// with a level above 4, or one that ends early, ends the process with status 1.
// A read that fails leaves the table as it was: 1, with the error number set.
int read_skill_block();

// Writes the table to output_file. A failed write shows in the stream's error
// mark, which the caller looks at once the file is flushed.
int write_skill_block();
