#include "game/game_exe.h"

#include <cstdio>

#include "console/menu.h"
#include "console/messages.h"
#include "table/skill_block.h"

std::int32_t byte_counter;

int open_game_exe()
{
    input_file = std::fopen(GAME_EXE_NAME, "rb");
    if (input_file != nullptr)
        return 0;
    show_main_menu();
    std::fprintf(stderr, "Error: Cannot open mm7.exe: %s\n", error_text());
    std::fprintf(stderr, "This program expects to be in the same directory as mm7.exe.\n");
    return 1;
}

void say_unknown_version()
{
    std::fprintf(stderr, "Sorry, this program doesn't recognize your version of mm7.exe.");
}
