#include "game/extract.h"

#include <cstdio>

#include "console/menu.h"
#include "console/messages.h"
#include "game/game_exe.h"
#include "platform/bytes.h"
#include "platform/files.h"
#include "table/skill_block.h"

int extract_from_game()
{
    if (open_game_exe() != 0)
        return 1;
    // Walked through byte by byte, so the count tells how long a short file was.
    for (byte_counter = 0; byte_counter < SKILL_BLOCK_OFFSET; ++byte_counter) {
        if (read_byte(input_file) == EOF) {
            if (std::ferror(input_file)) {
                close_keeping_error_number(input_file);
                return report_cannot_read(GAME_EXE_NAME);
            }
            show_main_menu();
            print_error("Error: Premature end of file at byte %ld in mm7.exe: %s\n",
                        static_cast<long>(byte_counter), error_text());
            say_unknown_version();
            std::fclose(input_file);
            return 1;
        }
    }
    int failed = read_skill_block();
    close_keeping_error_number(input_file);
    if (failed)
        return report_cannot_read(GAME_EXE_NAME);
    show_main_menu();
    std::printf("Skill block extracted.\n\n");
    return 0;
}
