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

// The copy is gone and the game closed before anything is printed, so that
// a failed print (a reader that has gone away) leaves nothing behind.
void abandon_copy()
{
    close_keeping_error_number(input_file);
    abandon_replacement(&game_copy);
}

int report_wrong_length(const char* first_line)
{
    abandon_copy();
    show_main_menu();
    print_error(first_line, error_text());
    report_left_behind(&game_copy);  // before the last line, which ends without a line end
    say_unknown_version();
    return 1;
}

}  // namespace

int insert_into_game()
{
    if (refuse_unloaded_table(table_read) != 0 || open_game_exe() != 0)
        return 1;
    // The copy's name is taken with the game closed: on Windows a second I
    // that waited for the name while holding the game open would keep the
    // first from moving its copy over it.
    std::fclose(input_file);
    if (begin_replacement(&game_copy, GAME_EXE_NAME, NEW_GAME_EXE_NAME) != 0)
        return report_cannot_open(NEW_GAME_EXE_NAME);
    if (open_game_exe_quietly() != 0) {
        abandon_replacement(&game_copy);
        report_game_not_opened();
        report_left_behind(&game_copy);
        return 1;
    }
    output_file = game_copy.file;
    std::setvbuf(output_file, copy_buffer, _IOFBF, sizeof copy_buffer);
    // The loops run their full counts; a short file shows only at the end,
    // and a failed write only when the copy is finished.
    for (byte_counter = 0; byte_counter < SKILL_BLOCK_OFFSET; ++byte_counter)
        write_byte(read_byte(input_file), output_file);
    write_skill_block();
    for (; byte_counter < SKILL_BLOCK_END; ++byte_counter)
        read_byte(input_file);
    int last_value_read = 0;
    for (; byte_counter < GAME_EXE_SIZE; ++byte_counter) {
        last_value_read = read_byte(input_file);
        write_byte(last_value_read, output_file);
    }
    int value_behind = read_byte(input_file);  // end of input where the game ends
    if (std::ferror(input_file)) {
        abandon_copy();
        report_cannot_read(GAME_EXE_NAME);
        report_left_behind(&game_copy);
        return 1;
    }
    if (last_value_read == EOF)
        return report_wrong_length("Error: Premature end of file in mm7.exe: %s\n");
    if (value_behind != EOF)
        return report_wrong_length("Error: File mm7.exe is longer than expected.  Aborting...  %s\n");
    // Closed first: Windows cannot replace a file that is open.
    std::fclose(input_file);
    int outcome = finish_replacement(&game_copy);
    show_main_menu();
    if (outcome == REPLACEMENT_NOT_WRITTEN)
        print_error("Error: Cannot write mm7_new.exe: %s\n", error_text());
    else if (outcome == REPLACEMENT_NOT_MOVED)
        print_error("Error: Cannot replace mm7.exe: %s\n", error_text());
    else if (outcome == REPLACED_NOT_SYNCED)
        print_error("Error: mm7.exe is replaced, but its folder cannot be synced: %s\n", error_text());
    else
        std::printf("Skills inserted into mm7.exe.\n\n");
    report_left_behind(&game_copy);
    return outcome == REPLACED ? 0 : 1;
}
