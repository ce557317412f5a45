#include "game/extract.h"

#include <cstdio>

#include "console/menu.h"
#include "console/messages.h"
#include "game/game_exe.h"
#include "platform/bytes.h"
#include "platform/files.h"
#include "table/skill_block.h"
#include "table/skill_table.h"

Outcome read_game_block(const char* name, unsigned char* block)
{
    if (open_game_exe(name) != 0)
        return Outcome::NOT_OPENED;
    // Walked through byte by byte, so the count tells how long a short file was.
    for (byte_counter = 0; byte_counter < SKILL_BLOCK_OFFSET; ++byte_counter) {
        if (read_byte(input_file) == EOF) {
            bool failed = std::ferror(input_file);
            close_keeping_error_number(input_file);
            return failed ? Outcome::NOT_READ : Outcome::ENDS_BEFORE_BLOCK;
        }
    }
    Outcome outcome = read_skill_block(input_file, block);
    close_keeping_error_number(input_file);
    return outcome;
}

int extract_from_game()
{
    Outcome outcome = read_game_block(GAME_EXE_NAME, skill_table);
    if (outcome == Outcome::DONE) {
        table_loaded = 1;
        table_read = 1;
    }
    return report_outcome(MenuCommand::EXTRACT, outcome, GAME_EXE_NAME, nullptr);
}
