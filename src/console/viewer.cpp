#include "console/viewer.h"

#include <cstdio>

#include "console/input.h"
#include "console/menu.h"
#include "console/menu_table.h"

namespace {

constexpr int FIRST_SCREEN_LAST_SLOT = 20;  // Dark Magic; the second screen starts behind it

void show_skill_row(int slot)
{
    std::printf("%s", skill_names[slot]);
    for (int class_index = 0; class_index < CLASS_COUNT; ++class_index) {
        char entry[ENTRY_SIZE];
        format_entry(skill_table, class_index, slot, entry);
        std::printf(" %s  ", entry);
    }
    std::printf("\n");
}

void show_screen(int first_slot, int last_slot)
{
    std::printf("\n\n");
    std::printf("             Knight  Thief  Monk Paladin Archer Ranger Cleric Druid Sorcerer\n");
    std::printf("              01LD   01LD   01LD   01LD   01LD   01LD   01LD   01LD   01LD\n");
    for (int slot = first_slot; slot <= last_slot; ++slot)
        if (!is_unnamed_slot(slot))
            show_skill_row(slot);
}

void ask_viewer_choice()
{
    std::printf("\n(N) Next screen    (R) Return to main menu    Choice:");
    read_command_character();
}

bool wants_next_screen()
{
    return command_character == 'n' || command_character == 'N';
}

void show_first_screen()
{
    show_screen(0, FIRST_SCREEN_LAST_SLOT);
    ask_viewer_choice();
}

}  // namespace

void view_second_screen()
{
    show_screen(FIRST_SCREEN_LAST_SLOT + 1, SKILL_COUNT - 1);
    std::printf("\n\n\n\n\n\n\n");
    ask_viewer_choice();
}

int view_first_screen()
{
    show_first_screen();
    // Pages back and forth for as long as the answer is n.
    for (bool on_first_screen = true; wants_next_screen(); on_first_screen = !on_first_screen) {
        if (on_first_screen)
            view_second_screen();
        else
            show_first_screen();
    }
    show_main_menu();
    return 0;
}
