#include "console/messages.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "console/menu.h"
#include "console/menu_table.h"
#include "game/game_exe.h"
#include "platform/replace.h"

int report_cannot_open(const char* name)
{
    show_main_menu();
    print_error("Error: Cannot open %s: %s\n", name, error_text());
    return 1;
}

int report_cannot_read(const char* name)
{
    show_main_menu();
    print_error("Error: Cannot read %s: %s\n", name, error_text());
    return 1;
}

void report_left_behind(const Replacement* replacement)
{
    if (replacement->removal_error == 0)
        return;
    int error_number = errno;
    errno = replacement->removal_error;
    print_error("Error: Cannot remove %s: %s\n", replacement->new_name, error_text());
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

}  // namespace

int report_outcome(MenuCommand command, Outcome outcome, const char* name, const Replacement* copy)
{
    bool insert = command == MenuCommand::INSERT;
    bool on_game = insert || command == MenuCommand::EXTRACT;
    switch (outcome) {
    case Outcome::DONE: {
        constexpr const char* DONE_TEXTS[] = {"Skill block extracted.\n\n", "Skill block loaded.\n\n",
                                              "Skills inserted into mm7.exe.\n\n", "Skill block saved.\n\n"};
        show_main_menu();
        std::printf("%s", DONE_TEXTS[static_cast<int>(command)]);
        break;
    }
    case Outcome::NOT_OPENED:
        if (on_game)
            report_game_not_opened();
        else
            report_cannot_open(name);
        break;
    case Outcome::COPY_NOT_MADE: report_cannot_open(NEW_GAME_EXE_NAME); break;
    case Outcome::NOT_READ: report_cannot_read(name); break;
    case Outcome::INVALID: end_on_invalid_data(); break;
    case Outcome::ENDS_BEFORE_BLOCK:
        show_main_menu();
        print_error("Error: Premature end of file at byte %ld in mm7.exe: %s\n", static_cast<long>(byte_counter),
                    error_text());
        say_unknown_version();
        return 1;
    case Outcome::GAME_SHORTER:
    case Outcome::GAME_LONGER:
        show_main_menu();
        print_error(outcome == Outcome::GAME_SHORTER ? "Error: Premature end of file in mm7.exe: %s\n"
                                                     : "Error: File mm7.exe is longer than expected.  Aborting...  %s\n",
                    error_text());
        report_left_behind(copy);  // before the last line, which ends without a line end
        say_unknown_version();
        return 1;
    case Outcome::NOT_WRITTEN:
    case Outcome::NOT_MOVED:
        show_main_menu();
        if (!insert)
            print_error("Error: Cannot write %s: %s\n", name, error_text());
        else if (outcome == Outcome::NOT_WRITTEN)
            print_error("Error: Cannot write mm7_new.exe: %s\n", error_text());
        else
            print_error("Error: Cannot replace mm7.exe: %s\n", error_text());
        break;
    case Outcome::NOT_SYNCED:
        show_main_menu();
        if (insert)
            print_error("Error: mm7.exe is replaced, but its folder cannot be synced: %s\n", error_text());
        else
            print_error("Error: %s is saved, but its folder cannot be synced: %s\n", name, error_text());
        break;
    }
    if (copy != nullptr)
        report_left_behind(copy);
    return outcome == Outcome::DONE ? 0 : 1;
}

void end_on_invalid_data()
{
    print_error("Error: Skill block contains invalid data.  Cannot proceed.");
    std::exit(1);  // writes out what standard output still holds
}
