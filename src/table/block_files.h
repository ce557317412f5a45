// Skill block files read, written and changed by name: the file work of the
// menu's L and S and of the command line, printing nothing.
#pragma once

#include <cstdint>
#include <cstdio>

#include "platform/replace.h"
#include "table/outcome.h"

// Stream buffer for a copy: the commands walk through a game and its copy a
// byte at a time, and a larger buffer saves most of the system calls.
constexpr int COPY_BUFFER_SIZE = 65536;

// A kept file rewritten through a new file beside it: the file as it is,
// open for reading, and its replacement, whose stream is the new file. For a
// game, position counts the bytes walked through, and the buffers are the
// two streams'.
struct FileCopy {
    std::FILE* input;
    Replacement replacement;
    std::int64_t position;
    char input_buffer[COPY_BUFFER_SIZE];
    char output_buffer[COPY_BUFFER_SIZE];
};

// The block at the start of the named file into block (SKILL_BLOCK_SIZE
// bytes), changed only on DONE; or NOT_OPENED, NOT_READ, INVALID.
Outcome read_block_file(const char* name, unsigned char* block);

// The named file (a final name, as find_final_name gives it) replaced by one
// that holds `bytes`, safely. Only a regular file, not marked read-only, or
// a name where nothing is, unless that name was reached through a link.
// NOT_OPENED (nothing was written), or a replacement's outcome.
Outcome write_kept_file(const char* name, bool through_link, const unsigned char* bytes, std::int64_t size,
                        Replacement* replacement);

// A change of the block in a kept file, read where the change is written:
// begin_block_copy begins the file's replacement as write_kept_file does,
// which holds its folder against every other run, and only then reads the
// block the file holds now into old_block, leaving the file open in
// copy->input: read_block_file's outcomes (but DONE with nothing left open
// or held). After DONE, finish_block_copy writes block, then every byte that
// followed the old one, and replaces the file: NOT_READ (nothing was
// written) or a replacement's outcome; or abandon_copy gives up.
Outcome begin_block_copy(const char* name, bool through_link, FileCopy* copy, unsigned char* old_block);
Outcome finish_block_copy(FileCopy* copy, const unsigned char* block);

// Closes the file read and removes the new file, so that a caller can put
// the files in order before it prints (a failed print, a reader that has
// gone away, then leaves nothing behind). Returns outcome.
Outcome abandon_copy(FileCopy* copy, Outcome outcome);
