#include "table/skill_block.h"

#include <cstdlib>

#include "platform/bytes.h"
#include "table/skill_table.h"

std::FILE* input_file;
std::FILE* output_file;

int read_skill_block()
{
    bool invalid = false;
    // Every byte is read even after a bad one, so the whole block is taken.
    for (int index = 0; index < SKILL_BLOCK_SIZE; ++index) {
        int c = read_byte(input_file);
        skill_table[index] = static_cast<unsigned char>(c);
        if (c == EOF || c >= LEVEL_COUNT)
            invalid = true;
    }
    if (invalid) {
        std::fprintf(stderr, "Error: Skill block contains invalid data.  Cannot proceed.");
        std::exit(1);  // writes out what standard output still holds
    }
    table_loaded = 1;
    return 0;
}

int write_skill_block()
{
    for (int index = 0; index < SKILL_BLOCK_SIZE; ++index)
        write_byte(skill_table[index], output_file);
    return 0;
}
