#include "table/skill_block.h"

#include <cstdlib>
#include <cstring>

#include "console/messages.h"
#include "platform/bytes.h"
#include "table/skill_table.h"

std::FILE* input_file;
std::FILE* output_file;

int read_skill_block()
{
    // Read aside first, so that a failed read leaves the table as it was.
    unsigned char block[SKILL_BLOCK_SIZE];
    bool invalid = false;
    // Every byte is read even after a bad one, so the whole block is taken.
    for (int index = 0; index < SKILL_BLOCK_SIZE; ++index) {
        int c = read_byte(input_file);
        block[index] = static_cast<unsigned char>(c);
        if (c == EOF || c >= LEVEL_COUNT)
            invalid = true;
    }
    if (std::ferror(input_file))
        return 1;
    if (invalid) {
        print_error("Error: Skill block contains invalid data.  Cannot proceed.");
        std::exit(1);  // writes out what standard output still holds
    }
    std::memcpy(skill_table, block, sizeof block);
    table_loaded = 1;
    table_read = 1;
    return 0;
}

int write_skill_block()
{
    for (int index = 0; index < SKILL_BLOCK_SIZE; ++index)
        write_byte(skill_table[index], output_file);
    return 0;
}
