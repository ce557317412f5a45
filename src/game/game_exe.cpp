#include "game/game_exe.h"

#include <cstdio>

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
