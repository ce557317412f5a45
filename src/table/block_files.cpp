#include "table/block_files.h"

#include <cstdio>
#include <cstring>

#include "console/input.h"
#include "console/menu.h"
#include "console/messages.h"
#include "console/platform.h"
#include "game/game_exe.h"
#include "table/skill_block.h"
#include "table/skill_table.h"

namespace {

int refuse_long_file_name()
{
    show_main_menu();
    std::fprintf(stderr, "Error: File name longer than %d characters.\n\n", FILE_NAME_MAX);
    return 1;
}

// The game itself must never be overwritten with a bare skill block, under
// whatever name it is reached.
bool names_game_exe(const char* name)
{
    return std::strcmp(name, GAME_EXE_NAME) == 0 || std::strcmp(name, "MM7.EXE") == 0
           || is_same_file(name, GAME_EXE_NAME);
}

}  // namespace

int refuse_unloaded_table()
{
    if (table_loaded)
        return 0;
    show_main_menu();
    std::printf("No skill block loaded yet!\n\n");
    return 1;
}

int load_skill_block_file()
{
    std::printf("Load from file name: ");
    if (read_file_name() != 0)
        return refuse_long_file_name();
    input_file = open_for_reading(file_name);
    if (input_file == nullptr)
        return report_cannot_open(file_name);
    read_skill_block();
    std::fclose(input_file);
    show_main_menu();
    std::printf("Skill block loaded.\n\n");
    return 0;
}

int save_skill_block_file()
{
    if (refuse_unloaded_table() != 0)
        return 1;
    std::printf("Save to file name: ");
    if (read_file_name() != 0)
        return refuse_long_file_name();
    if (names_game_exe(file_name)) {
        show_main_menu();
        std::printf("No!  Bad user!  Don't overwrite the whole game with just the skills!\n");
        std::printf("Seriously, you would have destroyed your game if I had let you do that.\n\n");
        return 1;
    }
    output_file = std::fopen(file_name, "wb");
    if (output_file == nullptr)
        return report_cannot_open(file_name);
    write_skill_block();
    bool failed = std::fflush(output_file) != 0 || std::ferror(output_file);
    failed = std::fclose(output_file) != 0 || failed;
    show_main_menu();
    if (failed) {
        std::fprintf(stderr, "Error: Cannot write %s: %s\n", file_name, error_text());
        return 1;
    }
    std::printf("Skill block saved.\n\n");
    return 0;
}
