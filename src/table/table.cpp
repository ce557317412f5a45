#include "table/table.h"

void format_table_entry(const Table* table, int class_index, int slot, char* entry)
{
    format_entry(table->levels, class_index, slot, entry);
    for (int stage = 0; stage < STAGE_COUNT; ++stage) {
        if (!table->set[table_index(class_index, stage, slot)])
            entry[stage] = UNSET_LETTER;
    }
}
