#include "table/skill_table.h"

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
