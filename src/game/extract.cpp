#include "game/extract.h"

#include <cstdio>
#include <cstring>

#include "game/game_exe.h"
#include "platform/bytes.h"
#include "platform/files.h"
#include "table/block_files.h"
#include "table/skill_block.h"
#include "table/skill_table.h"

namespace {

// What follows the block, up to the end: DONE where the game ends at
// GAME_EXE_SIZE, or NOT_READ, GAME_SHORTER, GAME_LONGER. A block that met
// the end shows in the stream's end mark.
Outcome check_game_length(std::FILE* file)
{
    std::int64_t length = SKILL_BLOCK_END;
    if (!std::feof(file)) {
        for (; length <= GAME_EXE_SIZE && read_byte(file) != EOF; ++length) {
        }
    }
    if (std::ferror(file))
        return Outcome::NOT_READ;
    if (std::feof(file) && length < GAME_EXE_SIZE)
        return Outcome::GAME_SHORTER;
    return length == GAME_EXE_SIZE ? Outcome::DONE : Outcome::GAME_LONGER;
}

}  // namespace

Result read_game_block(const char* name, unsigned char* block, GameLength length)
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
    unsigned char read[SKILL_BLOCK_SIZE];
    Outcome outcome = read_skill_block(file, read);
    switch (length) {
    case GameLength::ANY: break;
    case GameLength::KNOWN: {
        Outcome length_outcome = check_game_length(file);
        if (!is_done(length_outcome) && outcome != Outcome::NOT_READ)
            outcome = length_outcome;
        break;
    }
    }
    close_keeping_error_number(file);
    if (is_done(outcome))
        std::memcpy(block, read, sizeof read);
    return {outcome, 0};
}
