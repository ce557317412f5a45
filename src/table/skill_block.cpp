#include "table/skill_block.h"

#include <cstdlib>
#include <cstring>

#include "console/messages.h"
#include "platform/bytes.h"
#include "table/skill_table.h"

std::FILE* input_file;
std::FILE* output_file;

Outcome read_skill_block(std::FILE* file, unsigned char* block)
{
    // Read aside first, so that a failed read leaves the table as it was.
    unsigned char read[SKILL_BLOCK_SIZE];
    for (int index = 0; index < SKILL_BLOCK_SIZE; ++index)
        read[index] = static_cast<unsigned char>(read_byte(file));  // EOF becomes 255, no level
    if (std::ferror(file))
        return Outcome::NOT_READ;
    if (!holds_only_levels(read))
        return Outcome::INVALID;
    std::memcpy(block, read, sizeof read);
    return Outcome::DONE;
}

bool holds_only_levels(const unsigned char* block)
{
    for (int index = 0; index < SKILL_BLOCK_SIZE; ++index) {
        if (block[index] >= LEVEL_COUNT)
            return false;
    }
    return true;
}

void write_skill_block(std::FILE* file, const unsigned char* block)
{
    for (int index = 0; index < SKILL_BLOCK_SIZE; ++index)
        write_byte(block[index], file);
}

void end_on_invalid_data()
{
    print_error("Error: Skill block contains invalid data.  Cannot proceed.");
    std::exit(1);  // writes out what standard output still holds
}
