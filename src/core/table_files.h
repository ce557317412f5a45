// Tables in files of every kind, for both front ends: what kind of file a
// name is, reading a table from it, writing one to it, changing its entries
// under its folder's lock, and the names of the game that no table may
// overwrite. Nothing here prints: each function says what it came to, and
// each front end tells that in its own words.
#pragma once

#include <string>

#include "platform/files.h"
#include "platform/replace.h"
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

// A new file that a failed or given-up replacement could not remove: its
// name, and the error number of the removal (0: nothing was left behind).
struct LeftBehind {
    char name[REPLACEMENT_NAME_MAX + 1];
    int error_number;
};

// What work on a file came to: the outcome, with the error number of the
// step that failed (0 with DONE), and a new file left behind. The core copies
// the error number here at its edge, so that nothing above it reads errno.
struct FileResult {
    Outcome outcome;
    int error_number;
    LeftBehind left_behind;
};

// Where a name leads, and what kind of file it is there: 0, or the error number.
int find_table_file(TableFile* file, const char* typed);

// What reading a table came to: the outcome with its detail, the game's
// length for ENDS_BEFORE_BLOCK, the error number for NOT_OPENED and
// NOT_READ; for a text or a CSV (`text`), INVALID with text_error saying
// where and why.
struct TableRead {
    Result result;
    int error_number;
    bool text;
    TextError text_error;
};

// The file's table, read as its kind is: a game or a block file sets every
// level. DONE, or what went wrong, in `read`.
Outcome read_table_file(const TableFile* file, Table* table, TableRead* read);

// The table written as the file's kind asks, a text, a CSV or a skill block,
// replacing what is there (write_kept_file's outcomes). Never a game:
// check_target refuses that kind first.
FileResult write_table_file(const TableFile* file, const Table* table);

// A table as convert writes it into a file of the kind: a text or a CSV
// (any other kind gets the text).
std::string format_table_file(const Table* table, TableKind kind);

// A table read from the bytes of a file of the kind, a text or a CSV (as a
// page hands over a file of the user's): read_table_file's outcomes.
Outcome read_table_bytes(const std::string& bytes, TableKind kind, Table* table, TableRead* read);

// The kind a name gives a file, by its last part alone.
TableKind find_kind_of_name(const char* name);

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

// What a front end is about to do to a file it names as its target.
enum class TargetUse {
    WRITE,   // write a table over it (convert)
    CHANGE,  // change the levels of the table in it (apply, edit, a page)
};

// Whether a file may be a target, by the kind of its name and the game's
// names (CURRENT_OR_OWN_FOLDER); each front end says the refusal in its own words.
enum class Target {
    ALLOWED,
    GAME_WRITTEN,     // a game is only ever changed, never written whole
    SAME_AS_GAME,     // a block or a text over another name of the game or of its copy
    COPY_OF_GAME,     // the name of the copy that a change of a game makes
    TEXT_CHANGED,     // a text or a CSV is written whole, never changed in place
};

Target check_target(const TableFile& file, TargetUse use);

// Whether a change of the file could be written, found by doing what the
// change does up to its writing (the new file made beside the file under
// the folder's lock, and the file read again), then giving it up: DONE, or
// change_table's outcome for a change that would fail there (a folder that
// takes no new file, a block file marked read-only).
FileResult try_change(const TableFile& file);

// What of try_change can be found without making a file or taking a lock:
// a block file marked read-only, or a folder that would take no new file
// beside a game or a block file, as the system answers (NOT_OPENED,
// EACCES); else DONE.
FileResult check_writable_file(const TableFile& file);

// How a change under the lock ended.
enum class ChangeEnd {
    WRITTEN,   // the file is replaced (perhaps with its folder not synced: see the outcome)
    NONE,      // it held every entry as the change has it already: nothing was written
    CONFLICT,  // another run changed a level the user changed: nothing was written
    FAILED,    // nothing was written, as the outcome says
};

// What a change came to: how it ended; the outcome of the file's reading
// and writing with its error number, and a new file left behind; with
// WRITTEN and NONE how many entries changed; and the file's table as it was
// read under the lock (with CONFLICT, conflicting_entries(now, shown,
// change) names what another run changed).
struct ChangeResult {
    ChangeEnd end;
    FileResult file;
    int count;
    Table now;
};

// The levels that `change` sets, written into a game or a block file as the
// file is now: its table is read again once the replacement holds the file's
// folder, so that a run changing other entries at the same time is waited
// for and its changes kept. Where `shown` is given, the change is a user's
// from those levels, and a level that another run changed meanwhile
// refuses it (CONFLICT). The call owns every buffer it uses.
ChangeResult change_table(const TableFile& file, const Table& change, const Table* shown);

// Whether the change left every file as it ought to be: written and synced,
// or nothing to write and no new file left behind. A WRITTEN whose folder
// could not be synced, or a NONE that left a new file behind, is a failure
// all the same.
bool change_succeeded(const ChangeResult& result);
