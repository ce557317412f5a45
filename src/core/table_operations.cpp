#include "core/table_operations.h"

#include <cstring>

namespace {

constexpr int ENTRY_COUNT = SKILL_COUNT * CLASS_COUNT;

constexpr Entry entry_at(int position) { return {position % CLASS_COUNT, position / CLASS_COUNT}; }

int level_index(Entry entry, int stage) { return table_index(entry.class_index, stage, entry.slot); }

bool names_both(const Table* first, const Table* second, Entry entry)
{
    return names_entry(first, entry.class_index, entry.slot) && names_entry(second, entry.class_index, entry.slot);
}

bool is_conflicting(const Table* now, const Table* shown, const Table* change, Entry entry)
{
    for (int stage = 0; stage < STAGE_COUNT; ++stage) {
        int index = level_index(entry, stage);
        if (change->set[index] && now->levels[index] != shown->levels[index]
            && now->levels[index] != change->levels[index])
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

// Names only the classes and skills in which the table sets a level.
void name_only_what_is_set(Table* table)
{
    std::memset(table->classes, 0, sizeof table->classes);
    std::memset(table->skills, 0, sizeof table->skills);
    for (int position = 0; position < ENTRY_COUNT; ++position) {
        Entry entry = entry_at(position);
        for (int stage = 0; stage < STAGE_COUNT; ++stage) {
            if (table->set[level_index(entry, stage)])
                table->classes[entry.class_index] = table->skills[entry.slot] = true;
        }
    }
}

}  // namespace

Entry EntryRange::Iterator::operator*() const
{
    return entry_at(position_);
}

EntryRange::Iterator& EntryRange::Iterator::operator++()
{
    position_ = range_->next_position(position_ + 1);
    return *this;
}

EntryRange::Iterator EntryRange::begin() const
{
    return Iterator(this, next_position(start_));
}

// The first position from `position` on at which the walk stops, or end_.
int EntryRange::next_position(int position) const
{
    for (; position < end_; ++position) {
        Entry entry = entry_at(position);
        switch (test_) {
        case EntryTest::SHARED:
            if (names_both(tables_[0], tables_[1], entry))
                return position;
            break;
        case EntryTest::DIFFERING:
            if (names_both(tables_[0], tables_[1], entry) && entry_differs(tables_[0], tables_[1], entry))
                return position;
            break;
        case EntryTest::CONFLICTING:
            if (is_conflicting(tables_[0], tables_[1], tables_[2], entry))
                return position;
            break;
        }
    }
    return end_;
}

EntryRange shared_entries(const Table& first, const Table& second)
{
    return EntryRange(EntryTest::SHARED, &first, &second, nullptr, 0, ENTRY_COUNT);
}

EntryRange shared_entries_of_skill(const Table& first, const Table& second, int slot)
{
    return EntryRange(EntryTest::SHARED, &first, &second, nullptr, slot * CLASS_COUNT, (slot + 1) * CLASS_COUNT);
}

EntryRange differing_entries(const Table& first, const Table& second)
{
    return EntryRange(EntryTest::DIFFERING, &first, &second, nullptr, 0, ENTRY_COUNT);
}

EntryRange conflicting_entries(const Table& now, const Table& shown, const Table& change)
{
    return EntryRange(EntryTest::CONFLICTING, &now, &shown, &change, 0, ENTRY_COUNT);
}

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

void clear_table(Table* table)
{
    std::memset(table, 0, sizeof *table);
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

bool entry_differs(const Table* first, const Table* second, Entry entry)
{
    for (int stage = 0; stage < STAGE_COUNT; ++stage) {
        int index = level_index(entry, stage);
        if (first->set[index] && second->set[index] && first->levels[index] != second->levels[index])
            return true;
    }
    return false;
}

int count_differing_entries(const Table* first, const Table* second)
{
    int count = 0;
    for ([[maybe_unused]] Entry entry : differing_entries(*first, *second))
        ++count;
    return count;
}

bool set_entry(Table* table, Entry entry, const char* letters)
{
    int levels[STAGE_COUNT];
    for (int stage = 0; stage < STAGE_COUNT; ++stage) {
        levels[stage] = letters[stage] == UNSET_LETTER ? -1 : level_of_letter(static_cast<unsigned char>(letters[stage]));
        if (levels[stage] < 0 && letters[stage] != UNSET_LETTER)
            return false;
    }
    for (int stage = 0; stage < STAGE_COUNT; ++stage) {
        int index = level_index(entry, stage);
        table->set[index] = levels[stage] >= 0;
        table->levels[index] = static_cast<unsigned char>(levels[stage] >= 0 ? levels[stage] : 0);
    }
    table->classes[entry.class_index] = table->skills[entry.slot] = true;
    return true;
}

int write_change(Table* table, const Table* change)
{
    int changed = 0;
    for (int position = 0; position < ENTRY_COUNT; ++position) {
        Entry entry = entry_at(position);
        bool any = false;
        for (int stage = 0; stage < STAGE_COUNT; ++stage) {
            int index = level_index(entry, stage);
            if (!change->set[index])
                continue;
            any = any || table->levels[index] != change->levels[index];
            table->levels[index] = change->levels[index];
        }
        changed += any;
    }
    return changed;
}

bool make_patch(const Table* first, const Table* second, Table* patch)
{
    clear_table(patch);
    bool shared_class = false;
    for (int class_index = 0; class_index < CLASS_COUNT; ++class_index)
        shared_class = shared_class || (first->classes[class_index] && second->classes[class_index]);
    for (Entry entry : differing_entries(*first, *second)) {
        for (int stage = 0; stage < STAGE_COUNT; ++stage) {
            int index = level_index(entry, stage);
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

bool keep_changed_levels(Table* change, const Table* shown)
{
    Table patch;
    make_patch(shown, change, &patch);
    *change = patch;
    return sets_any_level(change);
}

namespace {

// What one level's patches so far set it to: the first that sets it, and
// its level. Until a conflict is found every earlier patch that sets the
// level sets it alike, so the lowest one that a later patch conflicts with
// is always the first.
struct LevelSetters {
    int first;  // a patch number, or -1
    unsigned char first_level;
};

// One entry of every patch combined into result->combined; the conflict
// with the lowest later patch, and for it the lowest earlier one, noted.
void combine_entry(const std::vector<Table>& patches, Entry entry, CombinedPatches* result)
{
    LevelSetters setters[STAGE_COUNT];
    for (LevelSetters& stage_setters : setters)
        stage_setters = {-1, 0};
    int count = static_cast<int>(patches.size());
    for (int later = 0; later < count; ++later) {
        int earliest = -1;
        for (int stage = 0; stage < STAGE_COUNT; ++stage) {
            int index = level_index(entry, stage);
            if (!patches[later].set[index])
                continue;
            unsigned char level = patches[later].levels[index];
            if (setters[stage].first < 0)
                setters[stage] = {later, level};
            else if (setters[stage].first_level != level && (earliest < 0 || setters[stage].first < earliest))
                earliest = setters[stage].first;
        }
        if (earliest >= 0) {
            result->conflicts.push_back({entry, earliest, later});
            return;
        }
    }
    for (int stage = 0; stage < STAGE_COUNT; ++stage) {
        int index = level_index(entry, stage);
        if (setters[stage].first >= 0) {
            result->combined.set[index] = true;
            result->combined.levels[index] = setters[stage].first_level;
        }
    }
}

}  // namespace

void combine_patches(const std::vector<Table>& patches, CombinedPatches* result)
{
    clear_table(&result->combined);
    result->conflicts.clear();
    for (int position = 0; position < ENTRY_COUNT; ++position)
        combine_entry(patches, entry_at(position), result);
    for (const Table& patch : patches) {
        for (int class_index = 0; class_index < CLASS_COUNT; ++class_index)
            result->combined.classes[class_index] = result->combined.classes[class_index] || patch.classes[class_index];
        for (int slot = 0; slot < SKILL_COUNT; ++slot)
            result->combined.skills[slot] = result->combined.skills[slot] || patch.skills[slot];
    }
}

std::string format_level_digits(const Table* table)
{
    std::string text(SKILL_BLOCK_SIZE, UNSET_LETTER);
    for (int index = 0; index < SKILL_BLOCK_SIZE; ++index) {
        if (table->set[index])
            text[static_cast<size_t>(index)] = static_cast<char>('0' + table->levels[index]);
    }
    return text;
}

bool read_level_digits(const std::string& text, Table* table)
{
    clear_table(table);
    if (text.size() != SKILL_BLOCK_SIZE)
        return false;
    for (int index = 0; index < SKILL_BLOCK_SIZE; ++index) {
        char c = text[static_cast<size_t>(index)];
        if (c == UNSET_LETTER)
            continue;
        if (c < '0' || c >= '0' + LEVEL_COUNT) {
            clear_table(table);
            return false;
        }
        table->set[index] = true;
        table->levels[index] = static_cast<unsigned char>(c - '0');
    }
    name_only_what_is_set(table);
    return true;
}

void find_conflicting_levels(const Table* now, const Table* shown, const Table* change, Table* conflicts)
{
    clear_table(conflicts);
    for (int index = 0; index < SKILL_BLOCK_SIZE; ++index) {
        conflicts->set[index] = change->set[index] && now->levels[index] != shown->levels[index]
                                && now->levels[index] != change->levels[index];
        conflicts->levels[index] = conflicts->set[index] ? now->levels[index] : 0;
    }
    name_only_what_is_set(conflicts);
}
