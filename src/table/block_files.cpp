#include "table/block_files.h"

#include <cstdio>
#include <cstring>

#include "console/input.h"
#include "console/menu.h"
#include "console/messages.h"
#include "game/game_exe.h"
#include "platform/files.h"
#include "platform/replace.h"
#include "table/skill_block.h"
#include "table/skill_table.h"

namespace {

constexpr int BLOCK_WRITTEN = 0;
constexpr int BLOCK_NOT_OPENED = 1;  // nothing was written
constexpr int BLOCK_NOT_WRITTEN = 2;

Replacement block_copy;

// Prints the prompt and reads the answer into file_name: 0, or 1 once an
// answer that is no usable name has been refused.
int ask_file_name(const char* prompt)
{
    std::printf("%s", prompt);
    int answer = read_file_name();
    if (answer == FILE_NAME_READ)
        return 0;
    show_main_menu();
    if (answer == FILE_NAME_TOO_LONG)
        print_error("Error: File name longer than %d characters.\n\n", FILE_NAME_MAX);
    else if (answer == FILE_NAME_HOLDS_NUL)
        print_error("Error: File name contains a NUL character.\n\n");
    else
        print_error("Error: File name contains a character this system cannot use.\n\n");
    return 1;
}

// The game itself must never be overwritten with a bare skill block, under
// whatever name it is reached.
bool names_game_exe(const char* name)
{
    return std::strcmp(name, GAME_EXE_NAME) == 0 || std::strcmp(name, "MM7.EXE") == 0
           || is_same_file(name, GAME_EXE_NAME);
}

// A new file beside the old one takes its name only once the block is
// whole on the device.
int replace_block_file(const char* name)
{
    if (begin_replacement(&block_copy, name, nullptr) != 0)
        return BLOCK_NOT_OPENED;
    output_file = block_copy.file;
    write_skill_block();
    return finish_replacement(&block_copy) == REPLACED ? BLOCK_WRITTEN : BLOCK_NOT_WRITTEN;
}

// A link is the user's way of keeping the block somewhere else: the file it
// leads to is written, and every write is checked.
int write_through_link(const char* name)
{
    output_file = open_through_link(name);
    if (output_file == nullptr)
        return BLOCK_NOT_OPENED;
    write_skill_block();
    return finish_writing(output_file) == 0 ? BLOCK_WRITTEN : BLOCK_NOT_WRITTEN;
}

int write_block_file(const char* name)
{
    switch (find_file_kind(name)) {
    case NO_FILE: return replace_block_file(name);
    case REGULAR_FILE: return check_writable(name) == 0 ? replace_block_file(name) : BLOCK_NOT_OPENED;
    case LINK_TO_REGULAR_FILE: return write_through_link(name);
    default: return BLOCK_NOT_OPENED;
    }
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
    if (ask_file_name("Load from file name: ") != 0)
        return 1;
    input_file = open_for_reading(file_name);
    if (input_file == nullptr)
        return report_cannot_open(file_name);
    int failed = read_skill_block();
    close_keeping_error_number(input_file);
    if (failed)
        return report_cannot_read(file_name);
    show_main_menu();
    std::printf("Skill block loaded.\n\n");
    return 0;
}

int save_skill_block_file()
{
    if (refuse_unloaded_table() != 0 || ask_file_name("Save to file name: ") != 0)
        return 1;
    if (names_game_exe(file_name)) {
        show_main_menu();
        std::printf("No!  Bad user!  Don't overwrite the whole game with just the skills!\n");
        std::printf("Seriously, you would have destroyed your game if I had let you do that.\n\n");
        return 1;
    }
    block_copy.removal_error = 0;
    int outcome = write_block_file(file_name);
    if (outcome == BLOCK_NOT_OPENED)
        return report_cannot_open(file_name);
    show_main_menu();
    if (outcome == BLOCK_NOT_WRITTEN)
        print_error("Error: Cannot write %s: %s\n", file_name, error_text());
    else
        std::printf("Skill block saved.\n\n");
    report_left_behind(&block_copy);
    return outcome == BLOCK_WRITTEN ? 0 : 1;
}
