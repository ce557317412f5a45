// What the front ends do with tables: compare two, write one into another,
// count what changed. Every walk over the entries of the command line, of
// edit and of the pages goes through here, so that each compares levels the
// same way: only the levels that both tables set.
//
// An entry is one class's four levels of one skill. The walks go in slot
// order and then in the editor's class order, diff's order; a position is
// an entry's number in that order, and FIRST_POSITION starts a walk:
//
//     for (int entry = next_differing_entry(a, b, FIRST_POSITION); entry != END_POSITION;
//          entry = next_differing_entry(a, b, entry))
//         ... entry_slot(entry), entry_class(entry) ...
#pragma once

#include "table/table.h"

constexpr int FIRST_POSITION = -1;
constexpr int END_POSITION = SKILL_COUNT * CLASS_COUNT;

constexpr int entry_slot(int entry) { return entry / CLASS_COUNT; }
constexpr int entry_class(int entry) { return entry % CLASS_COUNT; }

// A table that names every class and slot and sets every level: a game's,
// or a skill block file's.
void fill_whole_table(Table* table, const unsigned char* block);

// Whether the table names every class and slot and sets every level.
bool is_complete(const Table* table);

// Whether a level that both tables set differs in one entry.
bool entry_differs(const Table* first, const Table* second, int class_index, int slot);

// The next entry after `entry` that both tables name, or END_POSITION.
int next_shared_entry(const Table* first, const Table* second, int entry);

// The next entry after `entry` that both tables name and in which entry_differs.
int next_differing_entry(const Table* first, const Table* second, int entry);

int count_differing_entries(const Table* first, const Table* second);

// The levels that `change` sets, written into table; returns in how many
// entries a level changed.
int write_change(Table* table, const Table* change);

// Keeps in `change` only the levels that differ from `shown`, and names only
// the classes and skills that still set a level. Returns whether any is left.
bool keep_changed_levels(Table* change, const Table* shown);

// The next entry after `entry` in which `now` holds, at a level that
// `change` sets, neither the level the user was shown nor the change's:
// another run changed that level meanwhile. Or END_POSITION.
int next_conflicting_entry(const Table* now, const Table* shown, const Table* change, int entry);

// The patch from `first` to `second`: the levels both set and that differ,
// set to second's; only the classes and skills with such a level named; and
// where nothing differs, the classes both name and no skill. Returns whether
// the two name a class in common (with none, the patch names nothing).
bool make_patch(const Table* first, const Table* second, Table* patch);

// The next entry after `entry` that two of patches[0..count) set
// differently, with the numbers of the first two in order that do in
// *first and *second; or END_POSITION.
int next_patch_conflict(const Table* patches, int count, int entry, int* first, int* second);

// What `patch` sets and names added to `combined`, which starts empty
// (clear_table); the patches must not conflict.
void clear_table(Table* table);
void add_patch(Table* combined, const Table* patch);
