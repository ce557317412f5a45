#include "console/file_commands.h"

#include <cstdio>
#include <cstring>

#include "console/input.h"
#include "console/menu.h"
#include "console/menu_table.h"
#include "console/messages.h"
#include "core/table_files.h"
#include "game/extract.h"
#include "game/game_exe.h"
#include "game/insert.h"
#include "platform/error_lines.h"
#include "platform/files.h"
#include "table/block_files.h"

namespace {

FileCopy game_copy;     // I's: the game and its copy
Replacement block_copy; // S's: the new file beside the one named

// The name that S checks and writes: where the typed name finally leads.
char final_name[FINAL_NAME_MAX + 1];
bool final_through_link;  // whether a link led there

// Prints the prompt and reads the answer into file_name: 0, or 1 once an
// answer that is no usable name has been refused.
int ask_file_name(const char* prompt)
{
    std::printf("%s", prompt);
    NameAnswer answer = read_file_name();
    if (answer == NameAnswer::READ)
        return 0;
    show_main_menu();
    switch (answer) {
    case NameAnswer::READ: break;
    case NameAnswer::TOO_LONG: print_error("Error: File name longer than %d characters.\n\n", FILE_NAME_MAX); break;
    case NameAnswer::HOLDS_NUL: print_error("Error: File name contains a NUL character.\n\n"); break;
    case NameAnswer::UNUSABLE: print_error("Error: File name contains a character this system cannot use.\n\n"); break;
    }
    return 1;
}

// S writes nothing before a table was read or edited, I nothing before one
// was read: 1, with the menu and the reason printed, while `loaded` is 0.
int refuse_unloaded_table(int loaded)
{
    if (loaded)
        return 0;
    show_main_menu();
    std::printf("No skill block loaded yet!\n\n");
    return 1;
}

// A whole block read into the table, which only then changes.
void take_block(const unsigned char* block)
{
    std::memcpy(skill_table, block, SKILL_BLOCK_SIZE);
    table_loaded = 1;
    table_read = 1;
}

}  // namespace

int extract_from_game()
{
    unsigned char block[SKILL_BLOCK_SIZE];
    Result result = read_game_block(GAME_EXE_NAME, block, GameLength::ANY);
    if (is_done(result.outcome))
        take_block(block);
    byte_counter = static_cast<std::int32_t>(result.length);
    return report_outcome(MenuCommand::EXTRACT, result.outcome, GAME_EXE_NAME, nullptr);
}

int load_skill_block_file()
{
    if (ask_file_name("Load from file name: ") != 0)
        return 1;
    unsigned char block[SKILL_BLOCK_SIZE];
    Outcome outcome = read_block_file(file_name, block);
    if (is_done(outcome))
        take_block(block);
    return report_outcome(MenuCommand::LOAD, outcome, file_name, nullptr);
}

int insert_into_game()
{
    if (refuse_unloaded_table(table_read) != 0)
        return 1;
    Outcome outcome = write_game_block(GAME_EXE_NAME, NEW_GAME_EXE_NAME, skill_table, &game_copy);
    byte_counter = static_cast<std::int32_t>(game_copy.position);
    return report_outcome(MenuCommand::INSERT, outcome, GAME_EXE_NAME, &game_copy.replacement);
}

int save_skill_block_file()
{
    if (refuse_unloaded_table(table_loaded) != 0 || ask_file_name("Save to file name: ") != 0)
        return 1;
    if (find_final_name(file_name, final_name, &final_through_link) != 0)
        return report_cannot_open(file_name);
    switch (find_game_name(final_name, GameNameRule::ANY_FOLDER)) {
    case GameName::NONE: break;
    case GameName::GAME:
        show_main_menu();
        std::printf("No!  Bad user!  Don't overwrite the whole game with just the skills!\n");
        std::printf("Seriously, you would have destroyed your game if I had let you do that.\n\n");
        return 1;
    case GameName::COPY:
        show_main_menu();
        print_error("Error: %s is kept for the copy of mm7.exe that I makes.\n\n", shown_name(file_name).c_str());
        return 1;
    }
    Outcome outcome = write_kept_file(final_name, final_through_link, skill_table, SKILL_BLOCK_SIZE, &block_copy);
    return report_outcome(MenuCommand::SAVE, outcome, file_name, &block_copy);
}
