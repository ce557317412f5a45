#include "command_line/reporter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "game/game_exe.h"
#include "platform/error_lines.h"
#include "text/utf8.h"

std::string shown(const char* text)
{
    std::string result;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    long length = static_cast<long>(std::strlen(text));
    for (long i = 0; i < length;) {
        int control = control_character_length(bytes + i, length - i);
        result += control > 0 ? '?' : text[i];
        i += control > 0 ? control : 1;
    }
    return result;
}

Status report(const char* name, const char* what)
{
    print_error("skilltab: %s: %s\n", shown(name).c_str(), shown(what).c_str());
    return Status::FAILED;
}

Status report_failure(const char* name, const char* what)
{
    int error_number = errno;
    print_error("skilltab: %s: %s: %s\n", shown(name).c_str(), what, std::strerror(error_number));
    return Status::FAILED;
}

namespace {

// A new file that could not be removed is named, as the one file left.
void report_left_behind(const Replacement* replacement)
{
    if (replacement != nullptr && replacement->removal_error != 0) {
        errno = replacement->removal_error;
        report_failure(replacement->new_name, "cannot remove");
    }
}

}  // namespace

Status report_outcome(Outcome outcome, const char* typed, const Replacement* replacement, const TableRead* read)
{
    switch (outcome) {
    case Outcome::DONE: break;
    case Outcome::NOT_OPENED:
    case Outcome::COPY_NOT_MADE: report_failure(typed, "cannot open"); break;
    case Outcome::NOT_READ: report_failure(typed, "cannot read"); break;
    case Outcome::INVALID:
        if (read == nullptr || !read->text)
            report(typed, "skill block contains invalid data");
        else if (read->text_error.line == 0)
            report(typed, read->text_error.message);
        else
            print_error("skilltab: %s:%lld: %s\n", shown(typed).c_str(), static_cast<long long>(read->text_error.line),
                        shown(read->text_error.message).c_str());
        break;
    case Outcome::ENDS_BEFORE_BLOCK:
        print_error("skilltab: %s: not a game executable: it ends at byte %lld\n", shown(typed).c_str(),
                    static_cast<long long>(read != nullptr ? read->result.length : 0));
        break;
    case Outcome::GAME_SHORTER:
    case Outcome::GAME_LONGER:
        print_error("skilltab: %s: not a game executable that this program knows: it is not %ld bytes long\n",
                    shown(typed).c_str(), static_cast<long>(GAME_EXE_SIZE));
        break;
    case Outcome::NOT_WRITTEN: report_failure(typed, "cannot write"); break;
    case Outcome::NOT_MOVED: report_failure(typed, "cannot replace"); break;
    case Outcome::NOT_SYNCED: report_failure(typed, "is replaced, but its folder cannot be synced"); break;
    }
    report_left_behind(replacement);
    return outcome == Outcome::DONE ? Status::DONE : Status::FAILED;
}

Status find_file(TableFile* file, const char* typed)
{
    if (find_table_file(file, typed) != 0)
        return report_failure(typed, "cannot open");
    return Status::DONE;
}

Status read_table(const TableFile* file, Table* table)
{
    TableRead read;
    return report_outcome(read_table_file(file, table, &read), file->typed, nullptr, &read);
}

namespace {

// A block or a text never goes over another name of a game, nor of the copy
// that apply makes of one.
Status refuse_game_as_target(const TableFile* file)
{
    switch (find_game_name(file->final_name, GameNameRule::CURRENT_OR_OWN_FOLDER)) {
    case GameName::NONE: return Status::DONE;
    case GameName::GAME:
    case GameName::COPY: break;
    }
    return report(file->typed, "is the same file as a game executable");
}

}  // namespace

Status refuse_as_converted_file(const TableFile* file)
{
    switch (file->kind) {
    case TableKind::GAME_EXE: return report(file->typed, "convert writes no game executable: use apply");
    case TableKind::TEXT:
    case TableKind::CSV:
    case TableKind::SKILL_BLOCK: break;
    }
    return refuse_game_as_target(file);
}

Status refuse_as_changed_file(const TableFile* file, const char* text_refusal)
{
    switch (file->kind) {
    case TableKind::GAME_EXE:
        if (is_copy_name(file))
            return report(file->typed, "is kept for the copy of the game that apply makes");
        return Status::DONE;
    case TableKind::SKILL_BLOCK: return refuse_game_as_target(file);
    case TableKind::TEXT:
    case TableKind::CSV: return report(file->typed, text_refusal);
    }
    return Status::DONE;
}

Status write_table(const TableFile* file, const Table* table)
{
    Replacement replacement;
    Outcome outcome = write_table_file(file, table, &replacement);
    return report_outcome(outcome, file->typed, &replacement);
}

Status finish_output(Status status, Status failure, const char* replaced)
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return status;
    if (replaced != nullptr)
        report_failure(replaced, "is replaced, but standard output: cannot write");
    else
        report_failure("standard output", "cannot write");
    return failure;
}

namespace {

FileCopy the_copy;  // its buffers are large for the stack; a run makes one copy at a time

}  // namespace

Status try_change_under_lock(const TableFile* file)
{
    return report_outcome(try_change(file, &the_copy), file->typed, &the_copy.replacement);
}

Status refuse_unwritable(const TableFile* file)
{
    return report_outcome(check_writable_file(file), file->typed, nullptr);
}

Status change_under_lock(const TableFile* file, const Table* change, const Table* shown_table, Changed* changed,
                         int* count, Table* now)
{
    Outcome outcome = Outcome::DONE;
    *changed = change_table_file(file, change, shown_table, &the_copy, &outcome, count, now);
    switch (*changed) {
    case Changed::CONFLICT: report_left_behind(&the_copy.replacement); return Status::FAILED;
    case Changed::NONE:
        report_left_behind(&the_copy.replacement);
        return the_copy.replacement.removal_error == 0 ? Status::DONE : Status::FAILED;
    case Changed::WRITTEN:
    case Changed::FAILED: break;
    }
    return report_outcome(outcome, file->typed, &the_copy.replacement);
}

Status tell_changed(Status status, Changed changed, int count, const char* typed)
{
    std::printf("Changed entries: %d\n", count);
    return finish_output(status, Status::FAILED, changed == Changed::WRITTEN ? typed : nullptr);
}
