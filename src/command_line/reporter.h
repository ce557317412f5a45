// How the command line tells what its work on files came to: every message
// of the command line is made here, on standard error, naming each file as
// the user typed it.
#pragma once

#include <string>

#include "core/table_files.h"

// The exit status.
enum class Status { DONE = 0, FAILED = 1, USAGE = 2 };

// A name, a word of a file or of the command line as a message shows it:
// each control character (text/utf8.h) as "?", so that a file a user was
// given cannot drive the terminal that reads the message; everything else,
// bytes that are no UTF-8 among it, as it is.
std::string shown(const char* text);

// "skilltab: NAME: WHAT", with ": ERROR" for the error number in the second.
Status report(const char* name, const char* what);
Status report_failure(const char* name, const char* what);

// What reading or writing a file came to, told, naming the file as typed,
// with the detail of a read where there is one (a new file beside it is
// gone, unless it could not be removed, which is told too); DONE only for
// Outcome::DONE.
Status report_outcome(Outcome outcome, const char* typed, const Replacement* replacement,
                      const TableRead* read = nullptr);

// Where a name leads, and what kind of file it is there; what is wrong is told.
Status find_file(TableFile* file, const char* typed);

// The file's table, read as its kind is; what is wrong is told.
Status read_table(const TableFile* file, Table* table);

// The refusals of a file that convert is to write: a game is written only
// by apply, and a block or a text never goes over another name of a game,
// nor of the copy that apply makes of one.
Status refuse_as_converted_file(const TableFile* file);

// The refusals of a file that apply or edit is to change: a text, with the
// command's own words, and the names of the game's copy.
Status refuse_as_changed_file(const TableFile* file, const char* text_refusal);

// A text or a block, as the name asks, replacing what is there.
Status write_table(const TableFile* file, const Table* table);

// Output that never reached its reader must not pass for a clean run; nor
// may a file that was replaced all the same (`replaced`) pass for one left
// as it was.
Status finish_output(Status status, Status failure, const char* replaced = nullptr);

// The change written into the file as it is now (change_table_file), what
// went wrong told, but for a conflict, which the caller tells. On WRITTEN
// and NONE, count says how many entries it changed; tell_changed then
// prints it.
Status change_under_lock(const TableFile* file, const Table* change, const Table* shown, Changed* changed,
                         int* count, Table* now);
// What would refuse a change of the file at its writing, told before the
// work: try_change.
Status try_change_under_lock(const TableFile* file);

// A block file marked read-only, told as a change would tell it, without
// making a file: check_writable_file.
Status refuse_unwritable(const TableFile* file);

Status tell_changed(Status status, Changed changed, int count, const char* typed);
