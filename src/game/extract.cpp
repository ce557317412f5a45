#include "game/extract.h"

#include <cstdio>

#include "game/game_exe.h"
#include "platform/bytes.h"
#include "platform/files.h"
#include "table/block_files.h"
#include "table/skill_block.h"

Result read_game_block(const char* name, unsigned char* block)
{
    char buffer[COPY_BUFFER_SIZE];
    std::FILE* file = open_game_exe(name, buffer);
    if (file == nullptr)
        return {Outcome::NOT_OPENED, 0};
    // Walked through byte by byte, so the count tells how long a short file was.
    for (std::int64_t position = 0; position < SKILL_BLOCK_OFFSET; ++position) {
        if (read_byte(file) == EOF) {
            bool failed = std::ferror(file);
            close_keeping_error_number(file);
            return {failed ? Outcome::NOT_READ : Outcome::ENDS_BEFORE_BLOCK, position};
        }
    }
    Outcome outcome = read_skill_block(file, block);
    close_keeping_error_number(file);
    return {outcome, 0};
}
