#include "core/table_files.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "core/table_operations.h"
#include "game/extract.h"
#include "game/game_exe.h"
#include "game/insert.h"
#include "table/names.h"
#include "table/skill_block.h"
#include "text/csv_table.h"
#include "text/text_table.h"

namespace {

constexpr int BESIDE_MAX = FINAL_NAME_MAX + 32;

// Another name in the folder of a final name, into beside (BESIDE_MAX bytes).
const char* name_beside(const char* name, const char* other, char* beside)
{
    std::snprintf(beside, BESIDE_MAX, "%.*s%s", static_cast<int>(folder_length(name)), name, other);
    return beside;
}

// The reader of the fields of one text form of a table.
using TextReader = TextRead (*)(std::FILE* file, Table* table, TextError* text_error);

Outcome outcome_of_text(TextRead read)
{
    switch (read) {
    case TextRead::DONE: return Outcome::DONE;
    case TextRead::NOT_READ: return Outcome::NOT_READ;
    case TextRead::REFUSED: break;
    }
    return Outcome::INVALID;
}

// A text file's table, read by the reader of its form's fields.
Outcome read_text_file(const char* name, TextReader read_form, Table* table, TableRead* read)
{
    read->text = true;
    std::FILE* stream = open_for_reading(name);
    if (stream == nullptr)
        return read->result.outcome = Outcome::NOT_OPENED;
    TextRead outcome = read_form(stream, table, &read->text_error);
    close_keeping_error_number(stream);
    return read->result.outcome = outcome_of_text(outcome);
}

// The reader of a text form's fields, by the kind of its name: a CSV's, or
// the text's for any other.
TextReader find_text_reader(TableKind kind)
{
    switch (kind) {
    case TableKind::CSV: return read_csv_table;
    case TableKind::TEXT:
    case TableKind::GAME_EXE:
    case TableKind::SKILL_BLOCK: break;
    }
    return read_text_table;
}

// Whether the name is the one given, by the rule's reading.
bool names_game_file(const char* final_name, const char* game, GameNameRule rule)
{
    switch (rule) {
    case GameNameRule::ANY_FOLDER:
        // On FAT and exFAT every spelling of a name is the same file, and
        // through FUSE each may still look like a file of its own.
        return last_component_is(final_name, game) || is_same_file(final_name, game);
    case GameNameRule::CURRENT_OR_OWN_FOLDER: {
        char beside[BESIDE_MAX];
        return is_same_file(final_name, game) || is_same_file(final_name, name_beside(final_name, game, beside));
    }
    }
    return true;
}

// The error number of the step that failed, with its outcome, and a new
// file left behind: the edge where errno becomes part of a result.
FileResult make_result(const TableFile& file, Outcome outcome, const Replacement* replacement)
{
    FileResult result{outcome, is_done(outcome) ? 0 : errno, {"", 0}};
    // A FIFO, a device or a socket is refused as what it is, whatever its
    // opening said (a socket cannot be opened at all); nothing else of it is read.
    if (!is_done(outcome) && is_special_file(file.final_name))
        result.outcome = Outcome::NOT_REGULAR;
    if (replacement != nullptr && replacement->removal_error != 0) {
        std::snprintf(result.left_behind.name, sizeof result.left_behind.name, "%s", replacement->new_name);
        result.left_behind.error_number = replacement->removal_error;
    }
    return result;
}

// Whether a replacement's outcome put the new file in place.
bool is_replaced(Outcome outcome)
{
    switch (outcome) {
    case Outcome::DONE:
    case Outcome::NOT_SYNCED: return true;
    case Outcome::NOT_OPENED:
    case Outcome::NOT_REGULAR:
    case Outcome::COPY_NOT_MADE:
    case Outcome::NOT_READ:
    case Outcome::INVALID:
    case Outcome::ENDS_BEFORE_BLOCK:
    case Outcome::GAME_SHORTER:
    case Outcome::GAME_LONGER:
    case Outcome::NOT_WRITTEN:
    case Outcome::NOT_MOVED: break;
    }
    return false;
}

// The change's first step: the file's replacement begun and its table read
// as it is now into *now; DONE leaves the copy open.
Outcome begin_change(const TableFile& file, FileCopy* copy, Table* now)
{
    unsigned char levels[SKILL_BLOCK_SIZE];
    Outcome outcome = Outcome::NOT_OPENED;
    switch (file.kind) {
    case TableKind::GAME_EXE: {
        char copy_name[BESIDE_MAX];
        outcome = begin_game_copy(file.final_name, name_beside(file.final_name, NEW_GAME_EXE_NAME, copy_name), copy,
                                  levels);
        if (is_done(outcome) && !holds_only_levels(levels))
            return abandon_copy(copy, Outcome::INVALID);  // a game's block is read raw
        break;
    }
    case TableKind::SKILL_BLOCK: outcome = begin_block_copy(file.final_name, file.through_link, copy, levels); break;
    case TableKind::TEXT:
    case TableKind::CSV:
        errno = EINVAL;  // a text is never changed in place
        return Outcome::NOT_OPENED;
    }
    if (is_done(outcome))
        fill_whole_table(now, levels);
    return outcome;
}

Outcome finish_change(const TableFile& file, FileCopy* copy, const unsigned char* levels)
{
    switch (file.kind) {
    case TableKind::GAME_EXE: return finish_game_copy(copy, levels);
    case TableKind::SKILL_BLOCK: return finish_block_copy(copy, levels);
    case TableKind::TEXT:
    case TableKind::CSV: break;
    }
    return abandon_copy(copy, Outcome::NOT_WRITTEN);
}

// A change's copy: two 64 KiB buffers, too large for the stack of every
// caller, made for the one change and gone with it.
std::unique_ptr<FileCopy> make_copy()
{
    auto copy = std::make_unique<FileCopy>();
    copy->replacement.removal_error = 0;
    return copy;
}

}  // namespace

int find_table_file(TableFile* file, const char* typed)
{
    file->typed = typed;
    if (find_final_name(typed, file->final_name, &file->through_link) != 0)
        return errno;
    file->kind = find_kind_of_name(file->final_name);
    return 0;
}

Outcome read_table_file(const TableFile* file, Table* table, TableRead* read)
{
    unsigned char block[SKILL_BLOCK_SIZE];
    read->result = {Outcome::DONE, 0};
    read->error_number = 0;
    read->text = false;
    switch (file->kind) {
    case TableKind::TEXT:
    case TableKind::CSV: read_text_file(file->typed, find_text_reader(file->kind), table, read); break;
    case TableKind::GAME_EXE: read->result = read_game_block(file->typed, block, GameLength::KNOWN); break;
    case TableKind::SKILL_BLOCK: read->result.outcome = read_block_file(file->typed, block); break;
    }
    FileResult result = make_result(*file, read->result.outcome, nullptr);
    read->result.outcome = result.outcome;
    read->error_number = result.error_number;
    if (is_done(read->result.outcome) && !read->text)
        fill_whole_table(table, block);
    return read->result.outcome;
}

FileResult write_table_file(const TableFile* file, const Table* table)
{
    char text[TEXT_SIZE_MAX];
    const unsigned char* bytes = table->levels;
    int size = SKILL_BLOCK_SIZE;
    switch (file->kind) {
    case TableKind::TEXT:
        size = format_text_table(table, text);
        bytes = reinterpret_cast<const unsigned char*>(text);
        break;
    case TableKind::CSV:
        size = format_csv_table(table, text);
        bytes = reinterpret_cast<const unsigned char*>(text);
        break;
    case TableKind::SKILL_BLOCK: break;
    case TableKind::GAME_EXE:
        errno = EINVAL;  // a game is only ever changed
        return make_result(*file, Outcome::NOT_OPENED, nullptr);
    }
    Replacement replacement;
    Outcome outcome = write_kept_file(file->final_name, file->through_link, bytes, size, &replacement);
    return make_result(*file, outcome, &replacement);
}

std::string format_table_file(const Table* table, TableKind kind)
{
    char text[TEXT_SIZE_MAX];
    int length = 0;
    switch (kind) {
    case TableKind::CSV: length = format_csv_table(table, text); break;
    case TableKind::TEXT:
    case TableKind::GAME_EXE:
    case TableKind::SKILL_BLOCK: length = format_text_table(table, text); break;
    }
    return std::string(text, static_cast<size_t>(length));
}

Outcome read_table_bytes(const std::string& bytes, TableKind kind, Table* table, TableRead* read)
{
    *read = {{Outcome::NOT_READ, 0}, 0, true, {}};
    std::FILE* stream = std::tmpfile();
    if (stream == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size()) {
        read->error_number = errno;
        if (stream != nullptr)
            std::fclose(stream);
        return read->result.outcome;
    }
    std::rewind(stream);
    TextRead outcome = find_text_reader(kind)(stream, table, &read->text_error);
    read->error_number = errno;
    std::fclose(stream);
    return read->result.outcome = outcome_of_text(outcome);
}

TableKind find_kind_of_name(const char* name)
{
    if (last_component_ends_with(name, ".exe"))
        return TableKind::GAME_EXE;
    if (last_component_ends_with(name, ".txt"))
        return TableKind::TEXT;
    if (last_component_ends_with(name, ".csv"))
        return TableKind::CSV;
    return TableKind::SKILL_BLOCK;
}

GameName find_game_name(const char* final_name, GameNameRule rule)
{
    if (names_game_file(final_name, GAME_EXE_NAME, rule))
        return GameName::GAME;
    if (names_game_file(final_name, NEW_GAME_EXE_NAME, rule))
        return GameName::COPY;
    return GameName::NONE;
}

namespace {

// A block or a text never goes over another name of a game, nor of the copy
// that a change of a game makes.
Target check_game_names(const TableFile& file)
{
    switch (find_game_name(file.final_name, GameNameRule::CURRENT_OR_OWN_FOLDER)) {
    case GameName::NONE: return Target::ALLOWED;
    case GameName::GAME:
    case GameName::COPY: break;
    }
    return Target::SAME_AS_GAME;
}

}  // namespace

Target check_target(const TableFile& file, TargetUse use)
{
    switch (file.kind) {
    case TableKind::GAME_EXE:
        switch (use) {
        case TargetUse::WRITE: return Target::GAME_WRITTEN;
        case TargetUse::CHANGE: break;
        }
        return last_component_is(file.final_name, NEW_GAME_EXE_NAME) ? Target::COPY_OF_GAME : Target::ALLOWED;
    case TableKind::TEXT:
    case TableKind::CSV:
        switch (use) {
        case TargetUse::WRITE: break;
        case TargetUse::CHANGE: return Target::TEXT_CHANGED;
        }
        break;
    case TableKind::SKILL_BLOCK: break;
    }
    return check_game_names(file);
}

FileResult try_change(const TableFile& file)
{
    auto copy = make_copy();
    Table now;
    Outcome outcome = begin_change(file, copy.get(), &now);
    FileResult result = make_result(file, outcome, &copy->replacement);
    if (is_done(outcome)) {
        abandon_copy(copy.get(), outcome);
        result = make_result(file, outcome, &copy->replacement);
    }
    return result;
}

FileResult check_writable_file(const TableFile& file)
{
    bool refused = false;
    switch (file.kind) {
    case TableKind::SKILL_BLOCK: refused = check_writable(file.final_name) != 0; break;
    case TableKind::GAME_EXE: break;
    case TableKind::TEXT:
    case TableKind::CSV: return make_result(file, Outcome::DONE, nullptr);
    }
    // The new file beside a game or a block file needs a folder that takes one.
    refused = refused || check_folder_writable(file.final_name) != 0;
    return make_result(file, refused ? Outcome::NOT_OPENED : Outcome::DONE, nullptr);
}

ChangeResult change_table(const TableFile& file, const Table& change, const Table* shown)
{
    auto copy = make_copy();
    ChangeResult result;
    result.count = 0;
    Outcome outcome = begin_change(file, copy.get(), &result.now);
    if (!is_done(outcome)) {
        result.end = ChangeEnd::FAILED;
        result.file = make_result(file, outcome, &copy->replacement);
        return result;
    }
    ChangeEnd end = ChangeEnd::WRITTEN;
    Table changed = result.now;
    result.count = write_change(&changed, &change);
    if (shown != nullptr && !conflicting_entries(result.now, *shown, change).empty()) {
        result.count = 0;
        end = ChangeEnd::CONFLICT;
    } else if (result.count == 0) {
        end = ChangeEnd::NONE;  // another run has made the very change meanwhile
    }
    switch (end) {
    case ChangeEnd::CONFLICT:
    case ChangeEnd::NONE: outcome = abandon_copy(copy.get(), Outcome::DONE); break;
    case ChangeEnd::WRITTEN:
    case ChangeEnd::FAILED:
        outcome = finish_change(file, copy.get(), changed.levels);
        end = is_replaced(outcome) ? ChangeEnd::WRITTEN : ChangeEnd::FAILED;
        break;
    }
    result.end = end;
    result.file = make_result(file, outcome, &copy->replacement);
    return result;
}

bool change_succeeded(const ChangeResult& result)
{
    switch (result.end) {
    case ChangeEnd::WRITTEN:
    case ChangeEnd::NONE: break;
    case ChangeEnd::CONFLICT:
    case ChangeEnd::FAILED: return false;
    }
    return is_done(result.file.outcome) && result.file.left_behind.error_number == 0;
}
