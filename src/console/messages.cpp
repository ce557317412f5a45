#include "console/messages.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "console/menu.h"
#include "console/menu_table.h"
#include "game/game_exe.h"
#include "platform/console.h"
#include "platform/replace.h"
#include "text/shown_text.h"

std::string shown_name(const char* name)
{
    return shown_text(name, code_page_is_utf8() ? CodePage::UTF8 : CodePage::OTHER);
}

int report_cannot_open(const char* name)
{
    show_main_menu();
    print_error("Error: Cannot open %s: %s\n", shown_name(name).c_str(), error_text());
    return 1;
}

int report_cannot_read(const char* name)
{
    show_main_menu();
    print_error("Error: Cannot read %s: %s\n", shown_name(name).c_str(), error_text());
    return 1;
}

void report_left_behind(const Replacement* replacement)
{
    if (replacement->removal_error == 0)
        return;
    int error_number = errno;
    errno = replacement->removal_error;
    print_error("Error: Cannot remove %s: %s\n", shown_name(replacement->new_name).c_str(), error_text());
    errno = error_number;
}

namespace {

// How E and I say that mm7.exe could not be opened: the menu and two lines.
void report_game_not_opened()
{
    report_cannot_open(GAME_EXE_NAME);
    print_error("This program expects to be in the same directory as mm7.exe.\n");
}

// The last line of every report on a game executable of the wrong shape.
void say_unknown_version()
{
    print_error("Sorry, this program doesn't recognize your version of mm7.exe.");
}

// What a command says once it is done.
const char* done_text(MenuCommand command)
{
    switch (command) {
    case MenuCommand::EXTRACT: return "Skill block extracted.\n\n";
    case MenuCommand::LOAD: return "Skill block loaded.\n\n";
    case MenuCommand::INSERT: return "Skills inserted into mm7.exe.\n\n";
    case MenuCommand::SAVE: break;
    }
    return "Skill block saved.\n\n";
}

// Whether the command works on the game (E and I) rather than a block file.
bool works_on_game(MenuCommand command)
{
    switch (command) {
    case MenuCommand::EXTRACT:
    case MenuCommand::INSERT: return true;
    case MenuCommand::LOAD:
    case MenuCommand::SAVE: break;
    }
    return false;
}

bool is_insert(MenuCommand command)
{
    switch (command) {
    case MenuCommand::INSERT: return true;
    case MenuCommand::EXTRACT:
    case MenuCommand::LOAD:
    case MenuCommand::SAVE: break;
    }
    return false;
}

// A report on a game executable of the wrong length: what is wrong, then
// the error text, a new file left behind, and the last line.
int report_wrong_length(const char* what, const Replacement* copy)
{
    show_main_menu();
    print_error("Error: %s%s\n", what, error_text());
    report_left_behind(copy);  // before the last line, which ends without a line end
    say_unknown_version();
    return 1;
}

}  // namespace

int report_outcome(MenuCommand command, Outcome outcome, const char* name, const Replacement* copy)
{
    bool insert = is_insert(command);
    bool on_game = works_on_game(command);
    switch (outcome) {
    case Outcome::DONE:
        show_main_menu();
        std::printf("%s", done_text(command));
        break;
    case Outcome::NOT_OPENED:
        if (on_game)
            report_game_not_opened();
        else
            report_cannot_open(name);
        break;
    case Outcome::NOT_REGULAR: report_cannot_open(name); break;  // never the menu's: its names go unchecked
    case Outcome::COPY_NOT_MADE: report_cannot_open(NEW_GAME_EXE_NAME); break;
    case Outcome::NOT_READ: report_cannot_read(name); break;
    case Outcome::INVALID: end_on_invalid_data(); break;
    case Outcome::ENDS_BEFORE_BLOCK:
        show_main_menu();
        print_error("Error: Premature end of file at byte %ld in mm7.exe: %s\n", static_cast<long>(byte_counter),
                    error_text());
        say_unknown_version();
        return 1;
    case Outcome::GAME_SHORTER: return report_wrong_length("Premature end of file in mm7.exe: ", copy);
    case Outcome::GAME_LONGER:
        return report_wrong_length("File mm7.exe is longer than expected.  Aborting...  ", copy);
    case Outcome::NOT_WRITTEN:
        show_main_menu();
        if (insert)
            print_error("Error: Cannot write mm7_new.exe: %s\n", error_text());
        else
            print_error("Error: Cannot write %s: %s\n", shown_name(name).c_str(), error_text());
        break;
    case Outcome::NOT_MOVED:
        show_main_menu();
        if (insert)
            print_error("Error: Cannot replace mm7.exe: %s\n", error_text());
        else
            print_error("Error: Cannot write %s: %s\n", shown_name(name).c_str(), error_text());
        break;
    case Outcome::NOT_SYNCED:
        show_main_menu();
        if (insert)
            print_error("Error: mm7.exe is replaced, but its folder cannot be synced: %s\n", error_text());
        else
            print_error("Error: %s is saved, but its folder cannot be synced: %s\n", shown_name(name).c_str(), error_text());
        break;
    }
    if (copy != nullptr)
        report_left_behind(copy);
    return is_done(outcome) ? 0 : 1;
}

void end_on_invalid_data()
{
    print_error("Error: Skill block contains invalid data.  Cannot proceed.");
    std::exit(1);  // writes out what standard output still holds
}
