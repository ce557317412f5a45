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

bool sets_any_level(const Table* table)
{
    for (bool set : table->set) {
        if (set)
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

namespace {

// Names only the classes and skills in which the table sets a level.
void name_only_what_is_set(Table* table)
{
    for (int class_index = 0; class_index < CLASS_COUNT; ++class_index)
        table->classes[class_index] = false;
    for (int slot = 0; slot < SKILL_COUNT; ++slot)
        table->skills[slot] = false;
    for (int entry = 0; entry < END_POSITION; ++entry) {
        if (sets_entry(table, entry_class(entry), entry_slot(entry)))
            table->classes[entry_class(entry)] = table->skills[entry_slot(entry)] = true;
    }
}

}  // namespace

bool keep_changed_levels(Table* change, const Table* shown)
{
    bool any = false;
    for (int index = 0; index < SKILL_BLOCK_SIZE; ++index) {
        bool& set = change->set[index];
        set = set && shown->set[index] && change->levels[index] != shown->levels[index];
        any = any || set;
    }
    name_only_what_is_set(change);
    return any;
}

int next_conflicting_entry(const Table* now, const Table* shown, const Table* change, int entry)
{
    for (++entry; entry < END_POSITION; ++entry) {
        for (int stage = 0; stage < STAGE_COUNT; ++stage) {
            int index = table_index(entry_class(entry), stage, entry_slot(entry));
            if (change->set[index] && now->levels[index] != shown->levels[index]
                && now->levels[index] != change->levels[index])
                return entry;
        }
    }
    return END_POSITION;
}

bool make_patch(const Table* first, const Table* second, Table* patch)
{
    clear_table(patch);
    bool shared_class = false;
    for (int class_index = 0; class_index < CLASS_COUNT; ++class_index)
        shared_class = shared_class || (first->classes[class_index] && second->classes[class_index]);
    for (int entry = next_differing_entry(first, second, FIRST_POSITION); entry != END_POSITION;
         entry = next_differing_entry(first, second, entry)) {
        for (int stage = 0; stage < STAGE_COUNT; ++stage) {
            int index = table_index(entry_class(entry), stage, entry_slot(entry));
            patch->set[index] = first->set[index] && second->set[index] && first->levels[index] != second->levels[index];
            patch->levels[index] = patch->set[index] ? second->levels[index] : 0;
        }
    }
    name_only_what_is_set(patch);
    if (!sets_any_level(patch)) {
        for (int class_index = 0; class_index < CLASS_COUNT; ++class_index)
            patch->classes[class_index] = first->classes[class_index] && second->classes[class_index];
    }
    return shared_class;
}

int next_patch_conflict(const Table* patches, int count, int entry, int* first, int* second)
{
    for (++entry; entry < END_POSITION; ++entry) {
        for (int later = 1; later < count; ++later) {
            for (int earlier = 0; earlier < later; ++earlier) {
                if (entry_differs(&patches[earlier], &patches[later], entry_class(entry), entry_slot(entry))) {
                    *first = earlier;
                    *second = later;
                    return entry;
                }
            }
        }
    }
    return END_POSITION;
}

void clear_table(Table* table)
{
    std::memset(table, 0, sizeof *table);
}

void add_patch(Table* combined, const Table* patch)
{
    for (int index = 0; index < SKILL_BLOCK_SIZE; ++index) {
        if (patch->set[index]) {
            combined->set[index] = true;
            combined->levels[index] = patch->levels[index];
        }
    }
    for (int class_index = 0; class_index < CLASS_COUNT; ++class_index)
        combined->classes[class_index] = combined->classes[class_index] || patch->classes[class_index];
    for (int slot = 0; slot < SKILL_COUNT; ++slot)
        combined->skills[slot] = combined->skills[slot] || patch->skills[slot];
}
