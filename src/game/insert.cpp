#include "game/insert.h"

#include <cstdio>

#include "console/menu.h"
#include "console/messages.h"
#include "game/game_exe.h"
#include "platform/bytes.h"
#include "platform/files.h"
#include "platform/replace.h"
#include "table/block_files.h"
#include "table/skill_block.h"
#include "table/skill_table.h"

namespace {

char copy_buffer[GAME_EXE_BUFFER_SIZE];
Replacement game_copy;

}  // namespace

Outcome begin_game_copy(const char* game_name, const char* copy_name, Replacement* copy,
                        unsigned char* old_block)
{
    copy->removal_error = 0;
    if (open_game_exe(game_name) != 0)
        return Outcome::NOT_OPENED;
    // The copy's name is taken with the game closed: on Windows a second I
    // that waited for the name while holding the game open would keep the
    // first from moving its copy over it.
    std::fclose(input_file);
    if (begin_replacement(copy, game_name, copy_name) != 0)
        return Outcome::COPY_NOT_MADE;
    if (open_game_exe(game_name) != 0) {
        abandon_replacement(copy);
        return Outcome::NOT_OPENED;
    }
    output_file = copy->file;
    std::setvbuf(output_file, copy_buffer, _IOFBF, sizeof copy_buffer);
    // The loops run their full counts; a short file shows only at the end,
    // and a failed write only when the copy is finished.
    for (byte_counter = 0; byte_counter < SKILL_BLOCK_OFFSET; ++byte_counter)
        write_byte(read_byte(input_file), output_file);
    for (int index = 0; index < SKILL_BLOCK_SIZE; ++index, ++byte_counter)
        old_block[index] = static_cast<unsigned char>(read_byte(input_file));
    if (std::ferror(input_file))
        return abandon_copy(copy, Outcome::NOT_READ);
    return Outcome::DONE;
}

Outcome finish_game_copy(Replacement* copy, const unsigned char* block)
{
    write_skill_block(output_file, block);
    int last_value_read = 0;
    for (; byte_counter < GAME_EXE_SIZE; ++byte_counter) {
        last_value_read = read_byte(input_file);
        write_byte(last_value_read, output_file);
    }
    int value_behind = read_byte(input_file);  // end of input where the game ends
    if (std::ferror(input_file))
        return abandon_copy(copy, Outcome::NOT_READ);
    if (last_value_read == EOF)
        return abandon_copy(copy, Outcome::GAME_SHORTER);
    if (value_behind != EOF)
        return abandon_copy(copy, Outcome::GAME_LONGER);
    // Closed first: Windows cannot replace a file that is open.
    std::fclose(input_file);
    return outcome_of(finish_replacement(copy));
}

Outcome write_game_block(const char* game_name, const char* copy_name, const unsigned char* block,
                         Replacement* copy)
{
    unsigned char old_block[SKILL_BLOCK_SIZE];
    Outcome outcome = begin_game_copy(game_name, copy_name, copy, old_block);
    return outcome == Outcome::DONE ? finish_game_copy(copy, block) : outcome;
}

int insert_into_game()
{
    if (refuse_unloaded_table(table_read) != 0)
        return 1;
    Outcome outcome = write_game_block(GAME_EXE_NAME, NEW_GAME_EXE_NAME, skill_table, &game_copy);
    return report_outcome(MenuCommand::INSERT, outcome, GAME_EXE_NAME, &game_copy);
}
