// What the front ends do with tables: compare two, write one into another,
// count what changed, combine patches. Every walk over the entries of the
// command line, of edit and of the pages goes through here, so that each
// compares levels the same way: only the levels that both tables set.
//
// An entry is one class's four levels of one skill. The walks go in slot
// order and then in the editor's class order, diff's order:
//
//     for (Entry entry : differing_entries(a, b))
//         ... entry.slot, entry.class_index ...
#pragma once

#include <string>
#include <vector>

#include "table/table.h"

struct Entry {
    int class_index;
    int slot;
};

// Which entries a walk stops at.
enum class EntryTest {
    SHARED,       // both tables name it
    DIFFERING,    // both name it, and a level both set differs
    CONFLICTING,  // another run changed a level that the user changed (conflicting_entries)
};

// The entries of one walk, in diff's order, for a range-for.
class EntryRange {
public:
    class Iterator {
    public:
        Entry operator*() const;
        Iterator& operator++();
        bool operator!=(const Iterator& other) const { return position_ != other.position_; }

    private:
        friend class EntryRange;
        Iterator(const EntryRange* range, int position) : range_(range), position_(position) {}
        const EntryRange* range_;
        int position_;
    };

    EntryRange(EntryTest test, const Table* first, const Table* second, const Table* third, int start, int end)
        : test_(test), tables_{first, second, third}, start_(start), end_(end)
    {}
    Iterator begin() const;
    Iterator end() const { return Iterator(this, end_); }
    bool empty() const { return !(begin() != end()); }

private:
    int next_position(int position) const;
    EntryTest test_;
    const Table* tables_[3];
    int start_, end_;  // positions: an entry's number in diff's order
};

EntryRange shared_entries(const Table& first, const Table& second);
// Those of one skill: the row of a page.
EntryRange shared_entries_of_skill(const Table& first, const Table& second, int slot);
EntryRange differing_entries(const Table& first, const Table& second);
// The entries in which `now` holds, at a level that `change` sets, neither
// the level the user was shown nor the change's: another run changed that
// level meanwhile.
EntryRange conflicting_entries(const Table& now, const Table& shown, const Table& change);

// A table that names every class and slot and sets every level: a game's,
// or a skill block file's.
void fill_whole_table(Table* table, const unsigned char* block);

// A table that names nothing and sets nothing.
void clear_table(Table* table);

// Whether the table names every class and slot and sets every level.
bool is_complete(const Table* table);

// Whether a level that both tables set differs in one entry.
bool entry_differs(const Table* first, const Table* second, Entry entry);

int count_differing_entries(const Table* first, const Table* second);

// One entry's four levels set in the table from their letters (level_of_letter's,
// or UNSET_LETTER for a level left as it is), its class and skill named:
// a change of one entry. False, with the table as it was, where a letter is
// neither.
bool set_entry(Table* table, Entry entry, const char* letters);

// The levels that `change` sets, written into table; returns in how many
// entries a level changed.
int write_change(Table* table, const Table* change);

// The patch from `first` to `second`: the levels both set and that differ,
// set to second's; only the classes and skills with such a level named; and
// where nothing differs, the classes both name and no skill. Returns whether
// the two name a class in common (with none, the patch names nothing).
bool make_patch(const Table* first, const Table* second, Table* patch);

// Keeps in `change` only the levels that differ from `shown`: the patch
// from shown to change. Returns whether any is left.
bool keep_changed_levels(Table* change, const Table* shown);

// Two patches that set a level of one entry differently: of all such pairs
// for the entry, the one with the lowest later patch, and for it the lowest
// earlier one (their numbers in the order given).
struct PatchConflict {
    Entry entry;
    int first, second;
};

// Patches combined into one change, in one pass over the levels: `combined`
// sets every level that a patch sets and names what any names; where two
// set a level differently each such entry is in `conflicts`, in diff's
// order, and `combined` is not to be written.
struct CombinedPatches {
    Table combined;
    std::vector<PatchConflict> conflicts;
};

void combine_patches(const std::vector<Table>& patches, CombinedPatches* result);

// A table's levels as one letter each in table order, '0' to '4', or '.'
// where it sets none: the form in which a page sends and gets them.
std::string format_level_digits(const Table* table);

// The levels of such a text (SKILL_BLOCK_SIZE letters, each '0' to '4' or
// '.') into table, naming the classes and skills in which it sets a level;
// false, with table empty, for any other text.
bool read_level_digits(const std::string& text, Table* table);

// The levels at which `now` holds neither the level the user was shown nor
// the change's, where the change sets one: each conflict of
// conflicting_entries, level by level, set in the result.
void find_conflicting_levels(const Table* now, const Table* shown, const Table* change, Table* conflicts);
