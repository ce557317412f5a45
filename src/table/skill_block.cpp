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
    bool invalid = false;
    for (int index = 0; index < SKILL_BLOCK_SIZE; ++index) {
        int c = read_byte(file);
        read[index] = static_cast<unsigned char>(c);
        if (c == EOF || c >= LEVEL_COUNT)
            invalid = true;
    }
    if (std::ferror(file))
        return Outcome::NOT_READ;
    if (invalid)
        return Outcome::INVALID;
    std::memcpy(block, read, sizeof read);
    return Outcome::DONE;
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
