#include "table/skill_table.h"

#include <cstdio>
#include <cstring>

char skill_names[SKILL_COUNT][SKILL_NAME_SIZE];
char class_names[CLASS_COUNT][CLASS_NAME_SIZE];
char skill_text_names[SKILL_COUNT][SKILL_NAME_SIZE];

namespace {

// Padded to 13 characters so that every name fills its column; the two
// unused slots stay empty.
constexpr const char* SKILL_NAME_TEXTS[SKILL_COUNT] = {
    "Staff        ", "Sword        ", "Dagger       ", "Axe          ",
    "Spear        ", "Bow          ", "Mace         ", "Blaster      ",
    "Shield       ", "Leather      ", "Chain        ", "Plate        ",
    "Fire Magic   ", "Air Magic    ", "Water Magic  ", "Earth Magic  ",
    "Spirit Magic ", "Mind Magic   ", "Body Magic   ", "Light Magic  ",
    "Dark Magic   ", "Identify Item", "Merchant     ", "Repair       ",
    "Body Building", "Meditation   ", "Perception   ", "",
    "",              "Disarm Trap  ", "Dodge        ", "Unarmed      ",
    "ID Monster   ", "Arms Master  ", "Stealing     ", "Alchemy      ",
    "Learning     ",
};

constexpr const char* CLASS_NAME_TEXTS[CLASS_COUNT] = {
    "Knight", "Thief", "Monk", "Paladin", "Archer", "Ranger", "Cleric", "Druid", "Sorcerer",
};

}  // namespace

void fill_name_tables()
{
    for (int slot = 0; slot < SKILL_COUNT; ++slot) {
        std::strncpy(skill_names[slot], SKILL_NAME_TEXTS[slot], SKILL_NAME_SIZE);
        if (is_unnamed_slot(slot))
            std::snprintf(skill_text_names[slot], SKILL_NAME_SIZE, "Slot %d", slot);
        else
            std::snprintf(skill_text_names[slot], SKILL_NAME_SIZE, "%s", SKILL_NAME_TEXTS[slot]);
        for (size_t end = std::strlen(skill_text_names[slot]); end > 0 && skill_text_names[slot][end - 1] == ' ';)
            skill_text_names[slot][--end] = '\0';
    }
    for (int class_index = 0; class_index < CLASS_COUNT; ++class_index)
        std::strncpy(class_names[class_index], CLASS_NAME_TEXTS[class_index], CLASS_NAME_SIZE);
}

void format_entry(const unsigned char* levels, int class_index, int slot, char* entry)
{
    for (int stage = 0; stage < STAGE_COUNT; ++stage)
        entry[stage] = LEVEL_LETTERS[levels[table_index(class_index, stage, slot)]];
    entry[STAGE_COUNT] = '\0';
}

int level_of_letter(unsigned char c)
{
    switch (c) {
    case '0': case '-': return 0;
    case '1': case 'b': case 'B': return 1;
    case '2': case 'e': case 'E': return 2;
    case '3': case 'm': case 'M': return 3;
    case '4': case 'g': case 'G': return 4;
    default: return -1;
    }
}
