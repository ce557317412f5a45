// What the command line's commands share: the files they are named, read,
// written and changed, and how each outcome is told.
#pragma once

#include "platform/files.h"
#include "table/outcome.h"
#include "text/text_table.h"

// The exit status.
enum class Status { DONE = 0, FAILED = 1, USAGE = 2 };

// What a name on the command line says the file holds: the last part of
// the name it finally leads to, in any letter case, ends in .exe or .txt.
enum class Format { GAME_EXE, TEXT, SKILL_BLOCK };

// A file named on the command line: as typed, and where it finally leads.
struct NamedFile {
    const char* typed;
    char final_name[FINAL_NAME_MAX + 1];
    bool through_link;
    Format format;
};

// "skilltab: NAME: WHAT", with ": ERROR" for the error number in the second.
Status report(const char* name, const char* what);
Status report_failure(const char* name, const char* what);

// Where a name leads, and what kind of file it is there.
Status find_file(NamedFile* file, const char* typed);

// FILE's table, read as its kind is; what is wrong is told.
Status read_table(const NamedFile* file, NamedTable* table);

// A block or a text never goes over another name of a game, nor of the
// copy I makes of one.
Status refuse_game_as_target(const NamedFile* file);

// The refusals of a file that apply or edit is to change.
Status refuse_as_changed_file(const NamedFile* file);

// A text or a block, as the name asks, replacing what is there.
Status write_table(const NamedFile* file, const NamedTable* table);

// Output that never reached its reader must not pass for a clean run; nor
// may a file that was replaced all the same (`replaced`) pass for one left
// as it was.
Status finish_output(Status status, Status failure, const char* replaced = nullptr);

// The entries a command writes into a file, and their levels. Where
// `shown` is set, these are entries a user changed from those levels, and
// one that the file no longer holds as shown (another run changed it
// meanwhile) refuses the change, unless it already holds the new levels.
struct Change {
    unsigned char levels[SKILL_BLOCK_SIZE];
    bool entries[CLASS_COUNT][SKILL_COUNT];
    const unsigned char* shown;
};

// The entries a table names.
void name_entries_of(Change* change, const NamedTable* table);

// Writes the change into a block; returns how many entries differed.
int change_entries(unsigned char* levels, const Change* change);

// How a change under the lock ended.
enum class Changed {
    WRITTEN,   // the file is replaced (perhaps with its folder not synced)
    NONE,      // it held every entry as the change has it already: nothing was written
    CONFLICT,  // another run changed an entry the user changed: nothing was written, nothing told
    FAILED,    // told
};

// The change written into the file as the file is now, its table read again
// once the replacement holds the file's folder, so that a run changing
// other entries at the same time is waited for and its changes kept. On
// WRITTEN and NONE, count says how many entries it changed; tell_changed
// then prints it. What went wrong is told, but for a conflict.
Status change_under_lock(const NamedFile* file, const Change* change, Changed* changed, int* count);
Status tell_changed(Status status, Changed changed, int count, const char* typed);
