#include "core/table_files.h"

#include <cerrno>
#include <cstdio>

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

TableKind find_kind(const char* final_name)
{
    if (last_component_ends_with(final_name, ".exe"))
        return TableKind::GAME_EXE;
    if (last_component_ends_with(final_name, ".txt"))
        return TableKind::TEXT;
    if (last_component_ends_with(final_name, ".csv"))
        return TableKind::CSV;
    return TableKind::SKILL_BLOCK;
}

// The reader of the fields of one text form of a table.
using TextReader = TextRead (*)(std::FILE* file, Table* table, TextError* text_error);

// A text file's table, read by the reader of its form's fields.
Outcome read_text_file(const char* name, TextReader read_form, Table* table, TableRead* read)
{
    read->text = true;
    std::FILE* stream = open_for_reading(name);
    if (stream == nullptr)
        return read->result.outcome = Outcome::NOT_OPENED;
    TextRead outcome = read_form(stream, table, &read->text_error);
    close_keeping_error_number(stream);
    switch (outcome) {
    case TextRead::DONE: read->result.outcome = Outcome::DONE; break;
    case TextRead::NOT_READ: read->result.outcome = Outcome::NOT_READ; break;
    case TextRead::REFUSED: read->result.outcome = Outcome::INVALID; break;
    }
    return read->result.outcome;
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

// The change's first step: the file's replacement begun and its table read as it is now.
Outcome begin_change(const TableFile* file, FileCopy* copy, unsigned char* levels)
{
    switch (file->kind) {
    case TableKind::GAME_EXE: {
        char copy_name[BESIDE_MAX];
        Outcome outcome = begin_game_copy(file->final_name,
                                          name_beside(file->final_name, NEW_GAME_EXE_NAME, copy_name), copy, levels);
        if (outcome == Outcome::DONE && !holds_only_levels(levels))
            return abandon_copy(copy, Outcome::INVALID);  // a game's block is read raw
        return outcome;
    }
    case TableKind::SKILL_BLOCK: return begin_block_copy(file->final_name, file->through_link, copy, levels);
    case TableKind::TEXT:
    case TableKind::CSV: break;
    }
    errno = EINVAL;  // a text is never changed in place
    return Outcome::NOT_OPENED;
}

Outcome finish_change(const TableFile* file, FileCopy* copy, const unsigned char* levels)
{
    switch (file->kind) {
    case TableKind::GAME_EXE: return finish_game_copy(copy, levels);
    case TableKind::SKILL_BLOCK: return finish_block_copy(copy, levels);
    case TableKind::TEXT:
    case TableKind::CSV: break;
    }
    return abandon_copy(copy, Outcome::NOT_WRITTEN);
}

}  // namespace

int find_table_file(TableFile* file, const char* typed)
{
    file->typed = typed;
    if (find_final_name(typed, file->final_name, &file->through_link) != 0)
        return -1;
    file->kind = find_kind(file->final_name);
    return 0;
}

Outcome read_table_file(const TableFile* file, Table* table, TableRead* read)
{
    unsigned char block[SKILL_BLOCK_SIZE];
    read->result = {Outcome::DONE, 0};
    read->text = false;
    switch (file->kind) {
    case TableKind::TEXT: return read_text_file(file->typed, read_text_table, table, read);
    case TableKind::CSV: return read_text_file(file->typed, read_csv_table, table, read);
    case TableKind::GAME_EXE: read->result = read_game_block(file->typed, block, GameLength::KNOWN); break;
    case TableKind::SKILL_BLOCK: read->result.outcome = read_block_file(file->typed, block); break;
    }
    if (read->result.outcome == Outcome::DONE)
        fill_whole_table(table, block);
    return read->result.outcome;
}

Outcome write_table_file(const TableFile* file, const Table* table, Replacement* replacement)
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
        replacement->removal_error = 0;
        errno = EINVAL;  // a game is only ever changed
        return Outcome::NOT_OPENED;
    }
    return write_kept_file(file->final_name, file->through_link, bytes, size, replacement);
}

GameName find_game_name(const char* final_name, GameNameRule rule)
{
    if (names_game_file(final_name, GAME_EXE_NAME, rule))
        return GameName::GAME;
    if (names_game_file(final_name, NEW_GAME_EXE_NAME, rule))
        return GameName::COPY;
    return GameName::NONE;
}

bool is_copy_name(const TableFile* file)
{
    return last_component_is(file->final_name, NEW_GAME_EXE_NAME);
}

Outcome try_change(const TableFile* file, FileCopy* copy)
{
    unsigned char levels[SKILL_BLOCK_SIZE];
    Outcome outcome = begin_change(file, copy, levels);
    return outcome == Outcome::DONE ? abandon_copy(copy, outcome) : outcome;
}

Outcome check_writable_file(const TableFile* file)
{
    switch (file->kind) {
    case TableKind::SKILL_BLOCK: return check_writable(file->final_name) == 0 ? Outcome::DONE : Outcome::NOT_OPENED;
    case TableKind::GAME_EXE:
    case TableKind::TEXT:
    case TableKind::CSV: break;
    }
    return Outcome::DONE;
}

Changed change_table_file(const TableFile* file, const Table* change, const Table* shown, FileCopy* copy,
                          Outcome* outcome, int* count, Table* now)
{
    unsigned char levels[SKILL_BLOCK_SIZE];
    *outcome = begin_change(file, copy, levels);
    if (*outcome != Outcome::DONE)
        return Changed::FAILED;
    fill_whole_table(now, levels);
    if (shown != nullptr && next_conflicting_entry(now, shown, change, FIRST_POSITION) != END_POSITION) {
        abandon_copy(copy, Outcome::DONE);
        return Changed::CONFLICT;
    }
    Table changed = *now;
    *count = write_change(&changed, change);
    if (*count == 0) {  // another run has made the very change meanwhile
        abandon_copy(copy, Outcome::DONE);
        return Changed::NONE;
    }
    *outcome = finish_change(file, copy, changed.levels);
    return *outcome == Outcome::DONE || *outcome == Outcome::NOT_SYNCED ? Changed::WRITTEN : Changed::FAILED;
}
