#include "game/extract.h"

#include <cstdio>

#include "console/menu.h"
#include "console/messages.h"
#include "game/game_exe.h"
#include "platform/bytes.h"
#include "platform/files.h"
#include "table/skill_block.h"
#include "table/skill_table.h"

int read_game_block(const char* name, unsigned char* block)
{
    if (open_game_exe(name) != 0)
        return BLOCK_NOT_OPENED;
    // Walked through byte by byte, so the count tells how long a short file was.
    for (byte_counter = 0; byte_counter < SKILL_BLOCK_OFFSET; ++byte_counter) {
        if (read_byte(input_file) == EOF) {
            bool failed = std::ferror(input_file);
            close_keeping_error_number(input_file);
            return failed ? BLOCK_NOT_READ : GAME_TOO_SHORT;
        }
    }
    int outcome = read_skill_block(input_file, block);
    close_keeping_error_number(input_file);
    return outcome;
}

int extract_from_game()
{
    int outcome = read_game_block(GAME_EXE_NAME, skill_table);
    switch (outcome) {
    case BLOCK_NOT_OPENED: return report_game_not_opened();
    case BLOCK_NOT_READ: return report_cannot_read(GAME_EXE_NAME);
    case BLOCK_INVALID: end_on_invalid_data(); return 1;
    case GAME_TOO_SHORT:
        show_main_menu();
        print_error("Error: Premature end of file at byte %ld in mm7.exe: %s\n",
                    static_cast<long>(byte_counter), error_text());
        say_unknown_version();
        return 1;
    default: break;
    }
    table_loaded = 1;
    table_read = 1;
    show_main_menu();
    std::printf("Skill block extracted.\n\n");
    return 0;
}
