#include "game/game_exe.h"

#include "platform/files.h"
#include "table/block_files.h"

std::FILE* open_game_exe(const char* name, char* buffer)
{
    std::FILE* file = open_for_reading(name);
    if (file != nullptr)
        std::setvbuf(file, buffer, _IOFBF, COPY_BUFFER_SIZE);
    return file;
}
