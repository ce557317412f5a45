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

extern unsigned char skill_table[SKILL_BLOCK_SIZE];
extern char skill_names[SKILL_COUNT][SKILL_NAME_SIZE];
extern char class_names[CLASS_COUNT][CLASS_NAME_SIZE];
extern int table_loaded;  // set once a block was read or an entry edited
// Set once a whole block came from a game or a file: only such a table goes
// into the game, never one made of edits alone, which would wipe every
// other skill there.
extern int table_read;

void fill_name_tables();

constexpr int ENTRY_SIZE = STAGE_COUNT + 1;  // an entry's four level letters and a terminator

// One class's four levels of one skill, as level letters, into entry (ENTRY_SIZE bytes).
void format_entry(const unsigned char* levels, int class_index, int slot, char* entry);

// Whether one class's levels of one skill differ in two blocks.
bool entry_differs(const unsigned char* first, const unsigned char* second, int class_index, int slot);

// The level a typed or written character stands for: one of - 0 B 1 E 2 M
// 3 G 4, letters in either case; or -1.
int level_of_letter(unsigned char c);
