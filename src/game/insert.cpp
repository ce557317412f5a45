#include "game/insert.h"

#include <cstdio>

#include "console/menu.h"
#include "console/messages.h"
#include "console/platform.h"
#include "game/game_exe.h"
#include "table/block_files.h"
#include "table/skill_block.h"

namespace {

char copy_buffer[GAME_EXE_BUFFER_SIZE];

// Leaves mm7.exe as it was: both files closed and the copy gone.
int abandon_copy()
{
    std::fclose(input_file);
    std::fclose(output_file);
    std::remove(NEW_GAME_EXE_NAME);
    return 1;
}

// The copy must be whole on the storage device, with the game's permissions,
// before it may take the game's place. 0 when it is. A failed write leaves
// the stream's error mark set, so one look at it covers every byte.
int finish_copy()
{
    bool failed = std::fflush(output_file) != 0 || std::ferror(output_file)
                  || sync_file(output_file) != 0;
    failed = std::fclose(output_file) != 0 || failed;
    return failed || copy_permissions(GAME_EXE_NAME, NEW_GAME_EXE_NAME) != 0;
}

}  // namespace

int insert_into_game()
{
    if (refuse_unloaded_table() != 0 || open_game_exe() != 0)
        return 1;
    output_file = std::fopen(NEW_GAME_EXE_NAME, "wb");
    if (output_file == nullptr) {
        report_cannot_open(NEW_GAME_EXE_NAME);
        std::fclose(input_file);
        return 1;
    }
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
    if (last_value_read == EOF) {
        show_main_menu();
        std::fprintf(stderr, "Error: Premature end of file in mm7.exe: %s\n", error_text());
        say_unknown_version();
        return abandon_copy();
    }
    if (read_byte(input_file) != EOF) {
        show_main_menu();
        std::fprintf(stderr, "Error: File mm7.exe is longer than expected.  Aborting...  %s\n",
                     error_text());
        say_unknown_version();
        return abandon_copy();
    }
    std::fclose(input_file);
    if (finish_copy() != 0) {
        show_main_menu();
        std::fprintf(stderr, "Error: Cannot write mm7_new.exe: %s\n", error_text());
        std::remove(NEW_GAME_EXE_NAME);
        return 1;
    }
    if (replace_file(NEW_GAME_EXE_NAME, GAME_EXE_NAME) != 0) {
        show_main_menu();
        std::fprintf(stderr, "Error: Cannot replace mm7.exe: %s\n", error_text());
        std::remove(NEW_GAME_EXE_NAME);
        return 1;
    }
    show_main_menu();
    std::printf("Skills inserted into mm7.exe.\n\n");
    return 0;
}
