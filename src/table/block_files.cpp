#include "table/block_files.h"

#include <cerrno>
#include <cstdio>

#include "console/input.h"
#include "console/menu.h"
#include "console/messages.h"
#include "game/game_exe.h"
#include "platform/bytes.h"
#include "platform/files.h"
#include "platform/replace.h"
#include "table/names.h"
#include "table/skill_block.h"
#include "table/skill_table.h"

namespace {

Replacement block_copy;

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

// The name that S checks and writes: where the typed name finally leads.
char final_name[FINAL_NAME_MAX + 1];
bool final_through_link;  // whether a link led there

// The game itself must never be overwritten with a bare skill block, under
// whatever name it is reached: on FAT and exFAT every spelling of a name is
// the same file, and through FUSE each may still look like a file of its own.
bool names_game_exe(const char* name)
{
    return last_component_is(name, GAME_EXE_NAME) || is_same_file(name, GAME_EXE_NAME);
}

// The copy that I makes is I's alone: a block saved there would be moved over the game.
bool names_game_copy(const char* name)
{
    return last_component_is(name, NEW_GAME_EXE_NAME) || is_same_file(name, NEW_GAME_EXE_NAME);
}

}  // namespace

Outcome read_block_file(const char* name, unsigned char* block)
{
    input_file = open_for_reading(name);
    if (input_file == nullptr)
        return Outcome::NOT_OPENED;
    Outcome outcome = read_skill_block(input_file, block);
    close_keeping_error_number(input_file);
    return outcome;
}

namespace {

// write_kept_file up to the new file, open in output_file: DONE or NOT_OPENED.
Outcome begin_kept_file(const char* name, bool through_link, Replacement* replacement)
{
    replacement->removal_error = 0;
    FileKind kind = find_file_kind(name);
    if (kind == FileKind::NONE && through_link) {
        errno = ENOENT;  // a link that leads nowhere: no file is made through it
        return Outcome::NOT_OPENED;
    }
    if (kind == FileKind::UNUSABLE || (kind == FileKind::REGULAR && check_writable(name) != 0))
        return Outcome::NOT_OPENED;
    if (begin_replacement(replacement, name, nullptr) != 0)
        return Outcome::NOT_OPENED;
    output_file = replacement->file;
    return Outcome::DONE;
}

}  // namespace

Outcome write_kept_file(const char* name, bool through_link, const unsigned char* bytes, int size,
                        Replacement* replacement)
{
    if (begin_kept_file(name, through_link, replacement) != Outcome::DONE)
        return Outcome::NOT_OPENED;
    for (int i = 0; i < size; ++i)
        write_byte(bytes[i], output_file);  // a failed write shows in the error mark
    return outcome_of(finish_replacement(replacement));
}

Outcome abandon_copy(Replacement* copy, Outcome outcome)
{
    close_keeping_error_number(input_file);
    abandon_replacement(copy);
    return outcome;
}

Outcome begin_block_copy(const char* name, bool through_link, Replacement* copy, unsigned char* old_block)
{
    if (begin_kept_file(name, through_link, copy) != Outcome::DONE)
        return Outcome::NOT_OPENED;
    input_file = open_for_reading(name);
    if (input_file == nullptr) {
        abandon_replacement(copy);
        return Outcome::NOT_OPENED;
    }
    Outcome outcome = read_skill_block(input_file, old_block);
    return outcome == Outcome::DONE ? outcome : abandon_copy(copy, outcome);
}

Outcome finish_block_copy(Replacement* copy, const unsigned char* block)
{
    write_skill_block(output_file, block);
    for (int c; (c = read_byte(input_file)) != EOF;)
        write_byte(c, output_file);
    if (std::ferror(input_file))
        return abandon_copy(copy, Outcome::NOT_READ);
    std::fclose(input_file);  // before the move: Windows cannot replace a file that is open
    return outcome_of(finish_replacement(copy));
}

int refuse_unloaded_table(int loaded)
{
    if (loaded)
        return 0;
    show_main_menu();
    std::printf("No skill block loaded yet!\n\n");
    return 1;
}

int load_skill_block_file()
{
    if (ask_file_name("Load from file name: ") != 0)
        return 1;
    Outcome outcome = read_block_file(file_name, skill_table);
    if (outcome == Outcome::DONE) {
        table_loaded = 1;
        table_read = 1;
    }
    return report_outcome(MenuCommand::LOAD, outcome, file_name, nullptr);
}

int save_skill_block_file()
{
    if (refuse_unloaded_table(table_loaded) != 0 || ask_file_name("Save to file name: ") != 0)
        return 1;
    if (find_final_name(file_name, final_name, &final_through_link) != 0)
        return report_cannot_open(file_name);
    if (names_game_exe(final_name)) {
        show_main_menu();
        std::printf("No!  Bad user!  Don't overwrite the whole game with just the skills!\n");
        std::printf("Seriously, you would have destroyed your game if I had let you do that.\n\n");
        return 1;
    }
    if (names_game_copy(final_name)) {
        show_main_menu();
        print_error("Error: %s is kept for the copy of mm7.exe that I makes.\n\n", file_name);
        return 1;
    }
    Outcome outcome = write_kept_file(final_name, final_through_link, skill_table, SKILL_BLOCK_SIZE, &block_copy);
    return report_outcome(MenuCommand::SAVE, outcome, file_name, &block_copy);
}
