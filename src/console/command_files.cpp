#include "console/command_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "console/messages.h"
#include "game/extract.h"
#include "game/game_exe.h"
#include "game/insert.h"
#include "platform/replace.h"
#include "table/block_files.h"
#include "table/names.h"
#include "table/skill_block.h"

namespace {

// A new file that could not be removed is named, as the one file left.
void tell_left_behind(const Replacement* replacement)
{
    if (replacement != nullptr && replacement->removal_error != 0) {
        errno = replacement->removal_error;
        report_failure(replacement->new_name, "cannot remove");
    }
}

// What reading or writing a game or a block file came to, told, naming the
// file as typed (a new file beside it is gone, unless it could not be
// removed); DONE only for Outcome::DONE.
Status report_outcome(Outcome outcome, const char* typed, const Replacement* replacement)
{
    switch (outcome) {
    case Outcome::DONE: break;
    case Outcome::NOT_OPENED:
    case Outcome::COPY_NOT_MADE: report_failure(typed, "cannot open"); break;
    case Outcome::NOT_READ: report_failure(typed, "cannot read"); break;
    case Outcome::INVALID: report(typed, "skill block contains invalid data"); break;
    case Outcome::ENDS_BEFORE_BLOCK:
        print_error("skilltab: %s: not a game executable: it ends at byte %ld\n", typed, static_cast<long>(byte_counter));
        break;
    case Outcome::GAME_SHORTER:
    case Outcome::GAME_LONGER:
        print_error("skilltab: %s: not a game executable that this program knows: it is not %ld bytes long\n", typed,
                    static_cast<long>(GAME_EXE_SIZE));
        break;
    case Outcome::NOT_WRITTEN: report_failure(typed, "cannot write"); break;
    case Outcome::NOT_MOVED: report_failure(typed, "cannot replace"); break;
    case Outcome::NOT_SYNCED: report_failure(typed, "is replaced, but its folder cannot be synced"); break;
    }
    tell_left_behind(replacement);
    return outcome == Outcome::DONE ? Status::DONE : Status::FAILED;
}

constexpr int BESIDE_MAX = FINAL_NAME_MAX + 32;

// Another name in the folder of a final name, into beside (BESIDE_MAX bytes).
const char* name_beside(const char* name, const char* other, char* beside)
{
    std::snprintf(beside, BESIDE_MAX, "%.*s%s", static_cast<int>(folder_length(name)), name, other);
    return beside;
}

Status read_text(const NamedFile* file, NamedTable* table)
{
    std::FILE* stream = open_for_reading(file->typed);
    if (stream == nullptr)
        return report_failure(file->typed, "cannot open");
    TextError text_error;
    TextRead outcome = read_text_table(stream, table, &text_error);
    close_keeping_error_number(stream);
    switch (outcome) {
    case TextRead::DONE: break;
    case TextRead::NOT_READ: return report_failure(file->typed, "cannot read");
    case TextRead::REFUSED:
        if (text_error.line == 0)
            return report(file->typed, text_error.message);
        print_error("skilltab: %s:%d: %s\n", file->typed, text_error.line, text_error.message);
        return Status::FAILED;
    }
    return Status::DONE;
}

// Whether the block holds, in an entry the change writes, neither what the
// user was shown nor what the user wrote.
bool conflicts(const unsigned char* levels, const Change* change)
{
    for (int class_index = 0; class_index < CLASS_COUNT; ++class_index) {
        for (int slot = 0; slot < SKILL_COUNT; ++slot) {
            if (change->entries[class_index][slot] && entry_differs(levels, change->shown, class_index, slot)
                && entry_differs(levels, change->levels, class_index, slot))
                return true;
        }
    }
    return false;
}

}  // namespace

Status report(const char* name, const char* what)
{
    print_error("skilltab: %s: %s\n", name, what);
    return Status::FAILED;
}

Status report_failure(const char* name, const char* what)
{
    print_error("skilltab: %s: %s: %s\n", name, what, std::strerror(errno));
    return Status::FAILED;
}

Status find_file(NamedFile* file, const char* typed)
{
    file->typed = typed;
    if (find_final_name(typed, file->final_name, &file->through_link) != 0)
        return report_failure(typed, "cannot open");
    file->format = last_component_ends_with(file->final_name, ".exe")   ? Format::GAME_EXE
                   : last_component_ends_with(file->final_name, ".txt") ? Format::TEXT
                                                                        : Format::SKILL_BLOCK;
    return Status::DONE;
}

Status read_table(const NamedFile* file, NamedTable* table)
{
    if (file->format == Format::TEXT)
        return read_text(file, table);
    Outcome outcome = file->format == Format::GAME_EXE ? read_game_block(file->typed, table->levels)
                                                       : read_block_file(file->typed, table->levels);
    if (outcome == Outcome::DONE)
        name_every_entry(table, table->levels);
    return report_outcome(outcome, file->typed, nullptr);
}

Status refuse_game_as_target(const NamedFile* file)
{
    const char* name = file->final_name;
    char beside[BESIDE_MAX];
    for (const char* game : {GAME_EXE_NAME, NEW_GAME_EXE_NAME}) {
        if (is_same_file(name, game) || is_same_file(name, name_beside(name, game, beside)))
            return report(file->typed, "is the same file as a game executable");
    }
    return Status::DONE;
}

Status refuse_as_changed_file(const NamedFile* file)
{
    if (file->format == Format::GAME_EXE && last_component_is(file->final_name, NEW_GAME_EXE_NAME))
        return report(file->typed, "is kept for the copy of the game that apply makes");
    if (file->format == Format::SKILL_BLOCK)
        return refuse_game_as_target(file);
    return Status::DONE;
}

Status write_table(const NamedFile* file, const NamedTable* table)
{
    char text[TEXT_SIZE_MAX];
    const unsigned char* bytes = table->levels;
    int size = SKILL_BLOCK_SIZE;
    if (file->format == Format::TEXT) {
        size = format_text_table(table, text);
        bytes = reinterpret_cast<const unsigned char*>(text);
    }
    Replacement replacement;
    Outcome outcome = write_kept_file(file->final_name, file->through_link, bytes, size, &replacement);
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

void name_entries_of(Change* change, const NamedTable* table)
{
    std::memcpy(change->levels, table->levels, sizeof change->levels);
    for (int class_index = 0; class_index < CLASS_COUNT; ++class_index) {
        for (int slot = 0; slot < SKILL_COUNT; ++slot)
            change->entries[class_index][slot] = names_entry(table, class_index, slot);
    }
    change->shown = nullptr;
}

int change_entries(unsigned char* levels, const Change* change)
{
    int changed = 0;
    for (int class_index = 0; class_index < CLASS_COUNT; ++class_index) {
        for (int slot = 0; slot < SKILL_COUNT; ++slot) {
            if (!change->entries[class_index][slot])
                continue;
            changed += entry_differs(levels, change->levels, class_index, slot);
            for (int stage = 0; stage < STAGE_COUNT; ++stage) {
                int index = table_index(class_index, stage, slot);
                levels[index] = change->levels[index];
            }
        }
    }
    return changed;
}

Status change_under_lock(const NamedFile* file, const Change* change, Changed* changed, int* count)
{
    unsigned char levels[SKILL_BLOCK_SIZE];
    const char* typed = file->typed;
    bool game = file->format == Format::GAME_EXE;
    Replacement replacement;
    char copy_name[BESIDE_MAX];
    *changed = Changed::FAILED;
    Outcome outcome = game ? begin_game_copy(file->final_name,
                                             name_beside(file->final_name, NEW_GAME_EXE_NAME, copy_name),
                                             &replacement, levels)
                           : begin_block_copy(file->final_name, file->through_link, &replacement, levels);
    if (outcome == Outcome::DONE && !holds_only_levels(levels))
        outcome = abandon_copy(&replacement, Outcome::INVALID);  // a game's block is read raw
    if (outcome == Outcome::DONE && change->shown != nullptr && conflicts(levels, change)) {
        abandon_copy(&replacement, Outcome::DONE);
        *changed = Changed::CONFLICT;
        tell_left_behind(&replacement);
        return Status::FAILED;
    }
    if (outcome != Outcome::DONE)
        return report_outcome(outcome, typed, &replacement);
    *count = change_entries(levels, change);
    if (*count == 0) {  // another run has made the very change meanwhile
        abandon_copy(&replacement, Outcome::DONE);
        *changed = Changed::NONE;
        tell_left_behind(&replacement);
        return replacement.removal_error == 0 ? Status::DONE : Status::FAILED;
    }
    outcome = game ? finish_game_copy(&replacement, levels) : finish_block_copy(&replacement, levels);
    if (outcome == Outcome::DONE || outcome == Outcome::NOT_SYNCED)
        *changed = Changed::WRITTEN;
    return report_outcome(outcome, typed, &replacement);
}

Status tell_changed(Status status, Changed changed, int count, const char* typed)
{
    std::printf("Changed entries: %d\n", count);
    return finish_output(status, Status::FAILED, changed == Changed::WRITTEN ? typed : nullptr);
}
