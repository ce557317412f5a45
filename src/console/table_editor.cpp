#include "console/table_editor.h"

#include <cstdio>

#include "console/input.h"
#include "console/menu.h"
#include "console/menu_table.h"

namespace {

constexpr int HIGHEST_SLOT_TENS = 3;  // skill numbers run up to 36

bool ends_class_loop(unsigned char c)
{
    return c == 'r' || c == 'R' || c == 'q' || c == 'Q' || input_ended;
}

// Every answer in the editor ends in the class list and what became of the answer.
void show_outcome(const char* message)
{
    show_class_menu();
    std::printf("%s", message);
}

void show_skill_menu()
{
    std::printf("(0) Staff         (9)  Leather        (18) Body Magic     (29) Disarm Trap\n\n");
    std::printf("(1) Sword         (10) Chain          (19) Light Magic    (30) Dodge\n\n");
    std::printf("(2) Dagger        (11) Plate          (20) Dark Magic     (31) Unarmed\n\n");
    std::printf("(3) Axe           (12) Fire Magic     (21) Identify Item  (32) ID Monster\n\n");
    std::printf("(4) Spear         (13) Air Magic      (22) Merchant       (33) Arms Master\n\n");
    std::printf("(5) Bow           (14) Water Magic    (23) Repair         (34) Stealing\n\n");
    std::printf("(6) Mace          (15) Earth Magic    (24) Body Building  (35) Alchemy\n\n");
    std::printf("(7) Blaster       (16) Spirit Magic   (25) Meditation     (36) Learning\n\n");
    std::printf("(8) Shield        (17) Mind Magic     (26) Perception\n\n\n");
    std::printf("(R) Return to main menu     [Enter] Return to edit menu\n\n\n");
}

void show_progression_legend()
{
    std::printf("Enter a sequence of four skill levels in the following order:\n\n");
    std::printf("Unpromoted, first promotion, light path promotion, dark path promotion.\n\n");
    std::printf("(0) or (-) No skill\n\n");
    std::printf("(1) or (B) Basic skill\n\n");
    std::printf("(2) or (E) Expert skill\n\n");
    std::printf("(3) or (M) Master skill\n\n");
    std::printf("(4) or (G) Grandmaster skill\n\n");
    std::printf("Examples: \"----\"   \"EMGG\"   \"--B-\"\n");
    std::printf("          \"0000\"   \"2344\"   \"0010\"\n\n\n");
    std::printf("(R) Return to edit menu\n\n\n");
}

// The skill slot the answer at the skill prompt names, or -1 once it was refused.
int read_skill_slot()
{
    command_character = read_character();
    if (command_character == '\n') {
        show_outcome("No skill selected.\n");
        return -1;
    }
    second_character = read_character();
    if (second_character == '\n') {
        if (!is_digit(command_character)) {
            show_outcome("No skill selected.\n");
            return -1;
        }
        return command_character - '0';
    }
    discard_rest_of_line();  // only two digits count
    if (command_character < '0' || command_character > '0' + HIGHEST_SLOT_TENS
        || !is_digit(second_character)) {
        show_outcome("No skill selected.\n");
        return -1;
    }
    int slot = 10 * (command_character - '0') + (second_character - '0');
    if (slot >= SKILL_COUNT || is_unnamed_slot(slot)) {
        show_outcome("Invalid number.\n");
        return -1;
    }
    return slot;
}

// 0 when all four characters of the answer were read.
int read_progression()
{
    command_character = read_character();
    if (command_character == '\n')
        return 1;
    progression[0] = command_character;
    for (int stage = 1; stage < STAGE_COUNT; ++stage) {
        progression[stage] = read_character();
        if (progression[stage] == '\n')
            return 1;
    }
    discard_rest_of_line();
    return 0;
}

}  // namespace

void show_class_menu()
{
    std::printf("\n\n\n\n\n");
    std::printf("(0) Knight\n\n");
    std::printf("(1) Thief\n\n");
    std::printf("(2) Monk\n\n");
    std::printf("(3) Paladin\n\n");
    std::printf("(4) Archer\n\n");
    std::printf("(5) Ranger\n\n");
    std::printf("(6) Cleric\n\n");
    std::printf("(7) Druid\n\n");
    std::printf("(8) Sorcerer\n\n\n");
    std::printf("(R) Return to main menu\n\n");
}

void edit_class_skill()
{
    int class_index = command_character - '0';
    std::printf("\n\n\n");
    show_skill_menu();
    std::printf("Pick a skill to edit for the %s: ", class_names[class_index]);
    int slot = read_skill_slot();
    if (slot < 0)
        return;

    std::printf("\n\n\n\n");
    show_progression_legend();
    std::printf("Enter the progression for the %s's skill in %s: ", class_names[class_index],
                skill_names[slot]);
    if (read_progression() != 0) {
        show_outcome("No skills edited.\n");
        return;
    }
    int levels[STAGE_COUNT];
    for (int stage = 0; stage < STAGE_COUNT; ++stage) {
        levels[stage] = level_of_letter(progression[stage]);
        if (levels[stage] < 0) {
            show_outcome("Invalid characters entered.  No skills edited.\n");
            std::printf("Valid skill progression characters are: 01234-BEMG\n");
            return;
        }
    }
    // All four change together or not at all.
    for (int stage = 0; stage < STAGE_COUNT; ++stage)
        skill_table[table_index(class_index, stage, slot)] = static_cast<unsigned char>(levels[stage]);
    show_outcome("Skill progression edited.\n");
    table_loaded = 1;
}

int change_skill_table()
{
    show_class_menu();
    while (!ends_class_loop(command_character)) {
        std::printf("\nPick a class to edit: ");
        read_command_character();
        if (command_character >= '0' && command_character < '0' + CLASS_COUNT)
            edit_class_skill();
        else
            show_outcome("No class selected.\n");
    }
    show_main_menu();
    std::printf("Remember, save your work often!\n\n");
    return 0;
}
