// skilltab: edits the skill availability table inside the game executable mm7.exe.
#include <cstdio>

#include "command_line/command_line.h"  // the one place the menu meets the command line
#include "console/file_commands.h"
#include "console/input.h"
#include "console/menu.h"
#include "console/table_editor.h"
#include "console/viewer.h"
#include "platform/console.h"
#include "platform/error_lines.h"
#include "table/skill_table.h"

namespace {

// Commands answer for themselves; what they return is of no use here.
void run_command(unsigned char command)
{
    switch (command) {
    case 'e': case 'E': extract_from_game(); break;
    case 'l': case 'L': load_skill_block_file(); break;
    case 's': case 'S': save_skill_block_file(); break;
    case 'i': case 'I': insert_into_game(); break;
    case 'v': case 'V': view_first_screen(); break;
    case 'c': case 'C': change_skill_table(); break;
    default: break;  // no command: nothing happens
    }
}

// q typed at any prompt, even inside the viewer or the editor, ends the
// program once it is back here; so does the end of the input.
bool wants_to_quit()
{
    return command_character == 'q' || command_character == 'Q' || input_ended;
}

}  // namespace

int main(int count, char** arguments)
{
    // With arguments it is a command for scripts; without, the menu.
    if (set_up_console(&count, &arguments) != 0) {
        print_error("skilltab: an argument holds a character this system cannot use\n");
        return 1;
    }
    if (count > 1)
        return run_command_line(count - 1, arguments + 1);
    show_main_menu();
    std::printf("[Warning: Back up your mm7.exe file before using this program!]\n\n");
    while (!wants_to_quit()) {
        std::printf("Choice: ");
        read_command_character();
        run_command(command_character);
    }
    std::printf("\nEnjoy your game!\n");
    // Output that never reached its reader must not pass for a clean run.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        print_error("Error: Cannot write standard output: %s\n", error_text());
        return 1;
    }
    return 0;
}
