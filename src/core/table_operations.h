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

// Keeps in `change` only the entries that differ from `shown`: the others
// are no longer set. Returns whether any is left.
bool keep_changed_entries(Table* change, const Table* shown);

// Whether `now` holds, in an entry that `change` sets, levels that are
// neither those the user was shown nor those of the change: another run
// changed that entry meanwhile.
bool changed_meanwhile(const Table* now, const Table* shown, const Table* change);
