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

int report_wrong_length(const char* first_line)
{
    show_main_menu();
    print_error(first_line, error_text());
    report_left_behind(&game_copy);  // before the last line, which ends without a line end
    say_unknown_version();
    return 1;
}

}  // namespace

int begin_game_copy(const char* game_name, const char* copy_name, Replacement* copy, unsigned char* old_block)
{
    copy->removal_error = 0;
    if (open_game_exe(game_name) != 0)
        return GAME_NOT_FOUND;
    // The copy's name is taken with the game closed: on Windows a second I
    // that waited for the name while holding the game open would keep the
    // first from moving its copy over it.
    std::fclose(input_file);
    if (begin_replacement(copy, game_name, copy_name) != 0)
        return COPY_NOT_MADE;
    if (open_game_exe(game_name) != 0) {
        abandon_replacement(copy);
        return GAME_NOT_FOUND;
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
        return abandon_copy(copy, GAME_UNREADABLE);
    return COPY_BEGUN;
}

int finish_game_copy(Replacement* copy, const unsigned char* block)
{
    write_skill_block(output_file, block);
    int last_value_read = 0;
    for (; byte_counter < GAME_EXE_SIZE; ++byte_counter) {
        last_value_read = read_byte(input_file);
        write_byte(last_value_read, output_file);
    }
    int value_behind = read_byte(input_file);  // end of input where the game ends
    if (std::ferror(input_file))
        return abandon_copy(copy, GAME_UNREADABLE);
    if (last_value_read == EOF)
        return abandon_copy(copy, GAME_SHORTER);
    if (value_behind != EOF)
        return abandon_copy(copy, GAME_LONGER);
    // Closed first: Windows cannot replace a file that is open.
    std::fclose(input_file);
    return finish_replacement(copy);
}

int write_game_block(const char* game_name, const char* copy_name, const unsigned char* block,
                     Replacement* copy)
{
    unsigned char old_block[SKILL_BLOCK_SIZE];
    int outcome = begin_game_copy(game_name, copy_name, copy, old_block);
    return outcome == COPY_BEGUN ? finish_game_copy(copy, block) : outcome;
}

int insert_into_game()
{
    if (refuse_unloaded_table(table_read) != 0)
        return 1;
    int outcome = write_game_block(GAME_EXE_NAME, NEW_GAME_EXE_NAME, skill_table, &game_copy);
    switch (outcome) {
    case GAME_NOT_FOUND:
        report_game_not_opened();
        break;
    case COPY_NOT_MADE: return report_cannot_open(NEW_GAME_EXE_NAME);
    case GAME_UNREADABLE:
        report_cannot_read(GAME_EXE_NAME);
        break;
    case GAME_SHORTER: return report_wrong_length("Error: Premature end of file in mm7.exe: %s\n");
    case GAME_LONGER: return report_wrong_length("Error: File mm7.exe is longer than expected.  Aborting...  %s\n");
    case REPLACEMENT_NOT_WRITTEN:
        show_main_menu();
        print_error("Error: Cannot write mm7_new.exe: %s\n", error_text());
        break;
    case REPLACEMENT_NOT_MOVED:
        show_main_menu();
        print_error("Error: Cannot replace mm7.exe: %s\n", error_text());
        break;
    case REPLACED_NOT_SYNCED:
        show_main_menu();
        print_error("Error: mm7.exe is replaced, but its folder cannot be synced: %s\n", error_text());
        break;
    default:
        show_main_menu();
        std::printf("Skills inserted into mm7.exe.\n\n");
        break;
    }
    report_left_behind(&game_copy);
    return outcome == REPLACED ? 0 : 1;
}
