// How the command line tells what its work on files came to: its messages
// of outcomes and of files left behind, on standard error, naming each file
// as the user typed it. The commands' own messages (a usage error, diff's
// and edit's lines) are their own; each shows names through shown().
#pragma once

#include <string>

#include "core/table_files.h"

// The exit status.
enum class Status { DONE = 0, FAILED = 1, USAGE = 2 };

// A name, a word of a file or of the command line as a message shows it
// (shown_text, in the program's code page).
std::string shown(const char* text);

// "skilltab: NAME: WHAT", with ": ERROR" for the error number in the second.
Status report(const char* name, const char* what);
Status report_failure(const char* name, const char* what, int error_number);

// What work on a file came to, told, naming the file as typed, with the
// detail of a read where there is one, and a new file left behind beside it;
// DONE only for Outcome::DONE with nothing left behind.
Status report_result(const FileResult& result, const char* typed, const TableRead* read = nullptr);

// Where a name leads, and what kind of file it is there; what is wrong is told.
Status find_file(TableFile* file, const char* typed);

// The file's table, read as its kind is; what is wrong is told.
Status read_table(const TableFile* file, Table* table);

// A target the file may not be, told: check_target, with the words of the
// command that refuses a text.
Status refuse_target(const TableFile& file, TargetUse use, const char* text_refusal = "");

// A text or a block, as the name asks, replacing what is there.
Status write_table(const TableFile* file, const Table* table);

// Output that never reached its reader must not pass for a clean run; nor
// may a file that was replaced all the same (`replaced`) pass for one left
// as it was.
Status finish_output(Status status, Status failure, const char* replaced = nullptr);

// What a change of the file came to, told, but for a conflict's entries,
// which the caller names before it: a failure's outcome, a folder not
// synced, a new file left behind, and with WRITTEN and NONE the count
// ("Changed entries: N") on standard output.
Status tell_change(const ChangeResult& result, const char* typed);
