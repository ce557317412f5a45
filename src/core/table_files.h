// Tables in files of every kind, for both front ends: what kind of file a
// name is, reading a table from it, writing one to it, changing its entries
// under its folder's lock, and the names of the game that no table may
// overwrite. Nothing here prints: each function says what it came to, and
// each front end tells that in its own words.
#pragma once

#include "platform/files.h"
#include "table/block_files.h"
#include "table/outcome.h"
#include "table/table.h"
#include "text/table_rows.h"

// What a file holds, from the last part of the name it finally leads to, in
// any letter case: a name ending in .exe is a game executable, one ending in
// .txt a text, one ending in .csv a spreadsheet's CSV, any other a skill
// block file. Every choice made on a kind is a switch that names each kind.
enum class TableKind { GAME_EXE, TEXT, CSV, SKILL_BLOCK };

// A file named by a user: as typed, and where it finally leads.
struct TableFile {
    const char* typed;
    char final_name[FINAL_NAME_MAX + 1];
    bool through_link;
    TableKind kind;
};

// Where a name leads, and what kind of file it is there: 0, or -1 with the
// error number set.
int find_table_file(TableFile* file, const char* typed);

// What reading a table came to: the outcome with its detail, the game's
// length for ENDS_BEFORE_BLOCK; for a text or a CSV (`text`), INVALID with
// text_error saying where and why.
struct TableRead {
    Result result;
    bool text;
    TextError text_error;
};

// The file's table, read as its kind is: a game or a block file sets every
// level. DONE, or what went wrong, in `read`.
Outcome read_table_file(const TableFile* file, Table* table, TableRead* read);

// The table written as the file's kind asks, a text, a CSV or a skill block,
// replacing what is there (write_kept_file's outcomes). Never a game: the
// caller refuses that kind.
Outcome write_table_file(const TableFile* file, const Table* table, Replacement* replacement);

// Which of the game's two names, mm7.exe and its copy mm7_new.exe, a final
// name leads to.
enum class GameName { NONE, GAME, COPY };

// The two rules by which a table is kept from a game's name:
// - ANY_FOLDER (the menu's S): a name whose last part is the game's, in any
//   letter case and any folder, or another name of the one in the current
//   folder;
// - CURRENT_OR_OWN_FOLDER (the command line): another name of the one in the
//   current folder, or of the one in the name's own folder.
enum class GameNameRule { ANY_FOLDER, CURRENT_OR_OWN_FOLDER };

GameName find_game_name(const char* final_name, GameNameRule rule);

// Whether a game executable named to be changed is the name of the copy
// that a change makes beside it.
bool is_copy_name(const TableFile* file);

// Whether a change of the file could be written, found by doing what the
// change does up to its writing (the new file made beside the file under
// the folder's lock, and the file read again), then giving it up: DONE, or
// change_table_file's outcome for a change that would fail there (a folder
// that takes no new file, a block file marked read-only).
// copy->replacement tells of a new file that could not be removed.
Outcome try_change(const TableFile* file, FileCopy* copy);

// What of try_change can be found without making a file or taking a lock:
// a block file marked read-only (NOT_OPENED, EACCES); else DONE.
Outcome check_writable_file(const TableFile* file);

// How a change under the lock ended.
enum class Changed {
    WRITTEN,   // the file is replaced (perhaps with its folder not synced: see the outcome)
    NONE,      // it held every entry as the change has it already: nothing was written
    CONFLICT,  // another run changed an entry the user changed: nothing was written
    FAILED,    // nothing was written, as the outcome says
};

// The levels that `change` sets, written into a game or a block file as the
// file is now: its table is read again once the replacement holds the file's
// folder, so that a run changing other entries at the same time is waited
// for and its changes kept. Where `shown` is given, the change is a user's
// from those levels, and a level that another run changed meanwhile
// refuses it (CONFLICT; next_conflicting_entry names the entries). The outcome of the file's reading and writing goes
// to *outcome, and with WRITTEN and NONE how many entries changed to *count;
// the file's table as it was read under the lock goes to *now.
// copy->replacement tells of a new file that could not be removed.
Changed change_table_file(const TableFile* file, const Table* change, const Table* shown, FileCopy* copy,
                          Outcome* outcome, int* count, Table* now);
