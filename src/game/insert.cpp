#include "game/insert.h"

#include <cstdio>

#include "game/game_exe.h"
#include "platform/bytes.h"
#include "platform/files.h"
#include "platform/replace.h"
#include "table/skill_block.h"
#include "table/skill_table.h"

Outcome begin_game_copy(const char* game_name, const char* copy_name, FileCopy* copy, unsigned char* old_block)
{
    Replacement* replacement = &copy->replacement;
    replacement->removal_error = 0;
    copy->input = open_game_exe(game_name, copy->input_buffer);
    if (copy->input == nullptr)
        return Outcome::NOT_OPENED;
    // The copy's name is taken with the game closed: on Windows a second I
    // that waited for the name while holding the game open would keep the
    // first from moving its copy over it.
    std::fclose(copy->input);
    if (begin_replacement(replacement, game_name, copy_name) != 0)
        return Outcome::COPY_NOT_MADE;
    copy->input = open_game_exe(game_name, copy->input_buffer);
    if (copy->input == nullptr) {
        abandon_replacement(replacement);
        return Outcome::NOT_OPENED;
    }
    std::FILE* input = copy->input;
    std::FILE* output = replacement->file;
    std::setvbuf(output, copy->output_buffer, _IOFBF, sizeof copy->output_buffer);
    // The loops run their full counts; a short file shows only at the end,
    // and a failed write only when the copy is finished.
    for (copy->position = 0; copy->position < SKILL_BLOCK_OFFSET; ++copy->position)
        write_byte(read_byte(input), output);
    for (int index = 0; index < SKILL_BLOCK_SIZE; ++index, ++copy->position)
        old_block[index] = static_cast<unsigned char>(read_byte(input));
    if (std::ferror(input))
        return abandon_copy(copy, Outcome::NOT_READ);
    return Outcome::DONE;
}

Outcome finish_game_copy(FileCopy* copy, const unsigned char* block)
{
    std::FILE* input = copy->input;
    std::FILE* output = copy->replacement.file;
    write_skill_block(output, block);
    int last_value_read = 0;
    for (; copy->position < GAME_EXE_SIZE; ++copy->position) {
        last_value_read = read_byte(input);
        write_byte(last_value_read, output);
    }
    int value_behind = read_byte(input);  // end of input where the game ends
    if (std::ferror(input))
        return abandon_copy(copy, Outcome::NOT_READ);
    if (last_value_read == EOF)
        return abandon_copy(copy, Outcome::GAME_SHORTER);
    if (value_behind != EOF)
        return abandon_copy(copy, Outcome::GAME_LONGER);
    // Closed first: Windows cannot replace a file that is open.
    std::fclose(input);
    return outcome_of(finish_replacement(&copy->replacement));
}

Outcome write_game_block(const char* game_name, const char* copy_name, const unsigned char* block, FileCopy* copy)
{
    unsigned char old_block[SKILL_BLOCK_SIZE];
    Outcome outcome = begin_game_copy(game_name, copy_name, copy, old_block);
    return is_done(outcome) ? finish_game_copy(copy, block) : outcome;
}
