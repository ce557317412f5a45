#include "table/skill_block.h"

#include <cstring>

#include "platform/bytes.h"
#include "table/skill_table.h"

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
