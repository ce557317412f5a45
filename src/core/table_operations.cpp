#include "core/table_operations.h"

#include <cstring>

namespace {

// Whether the table sets any of one entry's levels.
bool sets_entry(const Table* table, int class_index, int slot)
{
    for (int stage = 0; stage < STAGE_COUNT; ++stage) {
        if (table->set[table_index(class_index, stage, slot)])
            return true;
    }
    return false;
}

}  // namespace

void fill_whole_table(Table* table, const unsigned char* block)
{
    std::memcpy(table->levels, block, SKILL_BLOCK_SIZE);
    for (bool& set : table->set)
        set = true;
    for (bool& named : table->classes)
        named = true;
    for (bool& named : table->skills)
        named = true;
}

bool is_complete(const Table* table)
{
    for (bool set : table->set) {
        if (!set)
            return false;
    }
    for (bool named : table->classes) {
        if (!named)
            return false;
    }
    for (bool named : table->skills) {
        if (!named)
            return false;
    }
    return true;
}

bool entry_differs(const Table* first, const Table* second, int class_index, int slot)
{
    for (int stage = 0; stage < STAGE_COUNT; ++stage) {
        int index = table_index(class_index, stage, slot);
        if (first->set[index] && second->set[index] && first->levels[index] != second->levels[index])
            return true;
    }
    return false;
}

int next_shared_entry(const Table* first, const Table* second, int entry)
{
    for (++entry; entry < END_POSITION; ++entry) {
        int class_index = entry_class(entry), slot = entry_slot(entry);
        if (names_entry(first, class_index, slot) && names_entry(second, class_index, slot))
            return entry;
    }
    return END_POSITION;
}

int next_differing_entry(const Table* first, const Table* second, int entry)
{
    do {
        entry = next_shared_entry(first, second, entry);
    } while (entry != END_POSITION && !entry_differs(first, second, entry_class(entry), entry_slot(entry)));
    return entry;
}

int count_differing_entries(const Table* first, const Table* second)
{
    int count = 0;
    for (int entry = next_differing_entry(first, second, FIRST_POSITION); entry != END_POSITION;
         entry = next_differing_entry(first, second, entry))
        ++count;
    return count;
}

int write_change(Table* table, const Table* change)
{
    int changed = 0;
    for (int entry = 0; entry < END_POSITION; ++entry) {
        int class_index = entry_class(entry), slot = entry_slot(entry);
        bool any = false;
        for (int stage = 0; stage < STAGE_COUNT; ++stage) {
            int index = table_index(class_index, stage, slot);
            if (!change->set[index])
                continue;
            any = any || table->levels[index] != change->levels[index];
            table->levels[index] = change->levels[index];
        }
        changed += any;
    }
    return changed;
}

bool keep_changed_entries(Table* change, const Table* shown)
{
    bool any = false;
    for (int entry = 0; entry < END_POSITION; ++entry) {
        int class_index = entry_class(entry), slot = entry_slot(entry);
        bool changed = entry_differs(change, shown, class_index, slot);
        for (int stage = 0; stage < STAGE_COUNT; ++stage) {
            bool& set = change->set[table_index(class_index, stage, slot)];
            set = set && changed;
        }
        any = any || changed;
    }
    return any;
}

bool changed_meanwhile(const Table* now, const Table* shown, const Table* change)
{
    for (int entry = 0; entry < END_POSITION; ++entry) {
        int class_index = entry_class(entry), slot = entry_slot(entry);
        if (sets_entry(change, class_index, slot) && entry_differs(now, shown, class_index, slot)
            && entry_differs(now, change, class_index, slot))
            return true;
    }
    return false;
}
