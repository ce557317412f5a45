#include "game/game_exe.h"

#include <cstdio>

#include "console/messages.h"
#include "platform/files.h"
#include "table/skill_block.h"

std::int32_t byte_counter;

namespace {
char game_exe_buffer[GAME_EXE_BUFFER_SIZE];
}

int open_game_exe(const char* name)
{
    input_file = open_for_reading(name);
    if (input_file == nullptr)
        return 1;
    std::setvbuf(input_file, game_exe_buffer, _IOFBF, sizeof game_exe_buffer);
    return 0;
}

int report_game_not_opened()
{
    report_cannot_open(GAME_EXE_NAME);
    print_error("This program expects to be in the same directory as mm7.exe.\n");
    return 1;
}

void say_unknown_version()
{
    print_error("Sorry, this program doesn't recognize your version of mm7.exe.");
}
