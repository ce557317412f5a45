// The skill availability table: for each class and promotion stage, the
// highest level each skill slot can be learned to.
#pragma once

constexpr int CLASS_COUNT = 9;
constexpr int STAGE_COUNT = 4;
constexpr int SKILL_COUNT = 37;
constexpr int SKILL_BLOCK_SIZE = CLASS_COUNT * STAGE_COUNT * SKILL_COUNT;  // 1332

constexpr int LEVEL_COUNT = 5;  // none, Basic, Expert, Master, Grandmaster
constexpr char LEVEL_LETTERS[LEVEL_COUNT + 1] = "-BEMG";

constexpr int SKILL_NAME_SIZE = 14;  // 13 characters padded with spaces, then a terminator
constexpr int CLASS_NAME_SIZE = 20;

// Slot numbers the game leaves unused; they are kept but never shown or edited.
constexpr bool is_unnamed_slot(int slot) { return slot == 27 || slot == 28; }

// Class is the outermost dimension, the skill slot the innermost; this is
// also the byte order of a skill block.
constexpr int table_index(int class_index, int stage, int slot)
{
    return slot + SKILL_COUNT * stage + SKILL_COUNT * STAGE_COUNT * class_index;
}

// The fixed name tables: constant data, so that nothing has to fill them
// before they are read. A skill's name in the viewer, padded to 13
// characters so that every name fills its column (the two unused slots
// empty):
inline constexpr char skill_names[SKILL_COUNT][SKILL_NAME_SIZE] = {
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

// A skill's name in a text: the viewer's without its padding, or "Slot 27"
// and "Slot 28".
inline constexpr char skill_text_names[SKILL_COUNT][SKILL_NAME_SIZE] = {
    "Staff",        "Sword",       "Dagger",      "Axe",
    "Spear",        "Bow",         "Mace",        "Blaster",
    "Shield",       "Leather",     "Chain",       "Plate",
    "Fire Magic",   "Air Magic",   "Water Magic", "Earth Magic",
    "Spirit Magic", "Mind Magic",  "Body Magic",  "Light Magic",
    "Dark Magic",   "Identify Item", "Merchant",  "Repair",
    "Body Building", "Meditation", "Perception",  "Slot 27",
    "Slot 28",      "Disarm Trap", "Dodge",       "Unarmed",
    "ID Monster",   "Arms Master", "Stealing",    "Alchemy",
    "Learning",
};

inline constexpr char class_names[CLASS_COUNT][CLASS_NAME_SIZE] = {
    "Knight", "Thief", "Monk", "Paladin", "Archer", "Ranger", "Cleric", "Druid", "Sorcerer",
};

constexpr int ENTRY_SIZE = STAGE_COUNT + 1;  // an entry's four level letters and a terminator

// One class's four levels of one skill, as level letters, into entry (ENTRY_SIZE bytes).
void format_entry(const unsigned char* levels, int class_index, int slot, char* entry);

// The level a typed or written character stands for: one of - 0 B 1 E 2 M
// 3 G 4, letters in either case; or -1.
int level_of_letter(unsigned char c);
