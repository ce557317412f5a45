// A table as the command line works on it: the levels, the classes and
// skill slots it names, and for each level whether the table sets it. A
// game or a skill block file sets every level; a text (a patch) names some
// classes and skills and sets the levels of the entries it names, but for
// those it writes as "." and so leaves as they are.
#pragma once

#include "table/skill_table.h"

struct Table {
    unsigned char levels[SKILL_BLOCK_SIZE];  // in table order; a level not set is 0
    bool set[SKILL_BLOCK_SIZE];              // whether the table sets the level
    bool classes[CLASS_COUNT];               // the classes it names
    bool skills[SKILL_COUNT];                // the skill slots it names
};

// Whether the table names one class's entry of one skill: its class and its slot.
constexpr bool names_entry(const Table* table, int class_index, int slot)
{
    return table->classes[class_index] && table->skills[slot];
}

constexpr char UNSET_LETTER = '.';  // a level that a table leaves as it is

// One class's four levels of one skill as a text writes them, "." where the
// table does not set a level, into entry (ENTRY_SIZE bytes).
void format_table_entry(const Table* table, int class_index, int slot, char* entry);
