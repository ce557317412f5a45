#include "console/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "console/messages.h"
#include "game/extract.h"
#include "game/game_exe.h"
#include "game/insert.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/replace.h"
#include "table/block_files.h"
#include "table/names.h"
#include "table/skill_block.h"
#include "table/skill_table.h"
#include "text/text_table.h"

namespace {

constexpr int DONE = 0;
constexpr int FAILED = 1;
constexpr int USAGE = 2;

constexpr const char* HELP =
    "Usage: skilltab                  the menu: run it in the game's folder\n"
    "       skilltab COMMAND FILE...\n"
    "\n"
    "For modders: the command line\n"
    "  skilltab show [FILE]          print FILE's table as text (FILE: mm7.exe)\n"
    "  skilltab convert FROM TO      write FROM's table to TO, in TO's kind\n"
    "  skilltab apply FROM [TO]      write the entries FROM names into TO (TO: mm7.exe)\n"
    "  skilltab diff A B             one line per entry that differs in A and B\n"
    "  skilltab --help, -h           this text\n"
    "  skilltab --version            the version\n"
    "\n"
    "A name that ends in .exe is a game executable, one that ends in .txt a text\n"
    "table, any other a skill block file. Only apply writes a game, the way the\n"
    "menu's I does. A text may be a patch that names only some classes and skills.\n"
    "Exit status: 0 done; 1 failed, nothing changed unless the message says a file\n"
    "was replaced; 2 usage error. diff: 0 the same, 1 different, 2 trouble.\n";

enum FileKind3 { GAME_KIND, TEXT_KIND, BLOCK_KIND };

// A file named on the command line: as typed, and where it finally leads.
struct NamedFile {
    const char* typed;
    char final_name[FINAL_NAME_MAX + 1];
    bool through_link;
    FileKind3 kind;
};

NamedFile from_file, to_file;
NamedTable from_table, to_table;
Replacement replacement;
char text[TEXT_SIZE_MAX];
char beside[FINAL_NAME_MAX + 32];

int report(const char* name, const char* what)
{
    print_error("skilltab: %s: %s\n", name, what);
    return FAILED;
}

int report_failure(const char* name, const char* what)
{
    print_error("skilltab: %s: %s: %s\n", name, what, std::strerror(errno));
    return FAILED;
}

// Where a name leads, and what kind of file it is there.
int find_file(NamedFile* file, const char* typed)
{
    file->typed = typed;
    if (find_final_name(typed, file->final_name, &file->through_link) != 0)
        return report_failure(typed, "cannot open");
    file->kind = last_component_ends_with(file->final_name, ".exe")   ? GAME_KIND
                 : last_component_ends_with(file->final_name, ".txt") ? TEXT_KIND
                                                                      : BLOCK_KIND;
    return DONE;
}

// Another name in the folder of a final name.
const char* name_beside(const char* name, const char* other)
{
    std::snprintf(beside, sizeof beside, "%.*s%s", static_cast<int>(folder_length(name)), name, other);
    return beside;
}

// What reading a game or a block file came to, told; DONE once it was read.
int report_reading(const NamedFile* file, NamedTable* table, int outcome)
{
    switch (outcome) {
    case BLOCK_NOT_OPENED: return report_failure(file->typed, "cannot open");
    case BLOCK_NOT_READ: return report_failure(file->typed, "cannot read");
    case BLOCK_INVALID: return report(file->typed, "skill block contains invalid data");
    case GAME_TOO_SHORT:
        print_error("skilltab: %s: not a game executable: it ends at byte %ld\n", file->typed,
                    static_cast<long>(byte_counter));
        return FAILED;
    default: name_every_entry(table, table->levels); return DONE;
    }
}

int read_text(const NamedFile* file, NamedTable* table)
{
    std::FILE* stream = open_for_reading(file->typed);
    if (stream == nullptr)
        return report_failure(file->typed, "cannot open");
    TextError text_error;
    int outcome = read_text_table(stream, table, &text_error);
    close_keeping_error_number(stream);
    if (outcome == TEXT_NOT_READ)
        return report_failure(file->typed, "cannot read");
    if (outcome == TEXT_REFUSED && text_error.line == 0)
        return report(file->typed, text_error.message);
    if (outcome == TEXT_REFUSED) {
        print_error("skilltab: %s:%d: %s\n", file->typed, text_error.line, text_error.message);
        return FAILED;
    }
    return DONE;
}

int read_table(const NamedFile* file, NamedTable* table)
{
    if (file->kind == TEXT_KIND)
        return read_text(file, table);
    int outcome = file->kind == GAME_KIND ? read_game_block(file->typed, table->levels)
                                          : read_block_file(file->typed, table->levels);
    return report_reading(file, table, outcome);
}

// A block or a text never goes over another name of a game, nor of the
// copy I makes of one.
int refuse_game_as_target(const NamedFile* file)
{
    const char* name = file->final_name;
    for (const char* game : {GAME_EXE_NAME, NEW_GAME_EXE_NAME}) {
        if (is_same_file(name, game) || is_same_file(name, name_beside(name, game)))
            return report(file->typed, "is the same file as a game executable");
    }
    return DONE;
}

// A new file that could not be removed is named, as the one file left.
void report_file_left_behind()
{
    if (replacement.removal_error != 0) {
        errno = replacement.removal_error;
        report_failure(replacement.new_name, "cannot remove");
    }
}

// The outcome of a replacement, told, naming the file as typed (the new
// file beside it is gone, unless it could not be removed); DONE only for REPLACED.
int report_replacement(const char* typed, int outcome)
{
    int status = outcome == REPLACED ? DONE : FAILED;
    if (outcome == FILE_NOT_OPENED || outcome == GAME_NOT_FOUND || outcome == COPY_NOT_MADE)
        report_failure(typed, "cannot open");
    else if (outcome == GAME_UNREADABLE || outcome == FILE_NOT_READ)
        report_failure(typed, "cannot read");
    else if (outcome == GAME_SHORTER || outcome == GAME_LONGER)
        report(typed, "not a game executable that this program knows: it is not 1069056 bytes long");
    else if (outcome == REPLACEMENT_NOT_WRITTEN)
        report_failure(typed, "cannot write");
    else if (outcome == REPLACEMENT_NOT_MOVED)
        report_failure(typed, "cannot replace");
    else if (outcome == REPLACED_NOT_SYNCED)
        report_failure(typed, "is replaced, but its folder cannot be synced");
    report_file_left_behind();
    return status;
}

// A text or a block, as the name asks.
int write_table(const NamedFile* file, const NamedTable* table)
{
    const unsigned char* bytes = table->levels;
    int size = SKILL_BLOCK_SIZE;
    if (file->kind == TEXT_KIND) {
        size = format_text_table(table, text);
        bytes = reinterpret_cast<const unsigned char*>(text);
    }
    int outcome = write_kept_file(file->final_name, file->through_link, bytes, size, &replacement);
    return report_replacement(file->typed, outcome);
}

// Output that never reached its reader must not pass for a clean run; nor
// may a file that was replaced all the same pass for one left as it was.
int finish_output(int status, int failure, const char* replaced = nullptr)
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return status;
    if (replaced != nullptr)
        report_failure(replaced, "is replaced, but standard output: cannot write");
    else
        report_failure("standard output", "cannot write");
    return failure;
}

int show(const char* name)
{
    if (find_file(&from_file, name) != DONE || read_table(&from_file, &from_table) != DONE)
        return FAILED;
    int length = format_text_table(&from_table, text);
    std::fwrite(text, 1, static_cast<size_t>(length), stdout);
    return finish_output(DONE, FAILED);
}

int convert(const char* from, const char* to)
{
    if (find_file(&to_file, to) != DONE)
        return FAILED;
    if (to_file.kind == GAME_KIND)
        return report(to, "convert writes no game executable: use apply");
    if (refuse_game_as_target(&to_file) != DONE)
        return FAILED;
    if (find_file(&from_file, from) != DONE || read_table(&from_file, &from_table) != DONE)
        return FAILED;
    if (to_file.kind == BLOCK_KIND && !is_complete(&from_table))
        return report(to, "a skill block file needs a complete table");
    return write_table(&to_file, &from_table);
}

// Writes the entries the patch names into a block; returns how many of
// them differed.
int change_entries(unsigned char* levels, const NamedTable* patch)
{
    int changed = 0;
    for (int class_index = 0; class_index < CLASS_COUNT; ++class_index) {
        for (int slot = 0; slot < SKILL_COUNT; ++slot) {
            if (!names_entry(patch, class_index, slot))
                continue;
            bool differs = false;
            for (int stage = 0; stage < STAGE_COUNT; ++stage) {
                int index = table_index(class_index, stage, slot);
                differs = differs || levels[index] != patch->levels[index];
                levels[index] = patch->levels[index];
            }
            changed += differs;
        }
    }
    return changed;
}

bool holds_only_levels(const unsigned char* levels)
{
    for (int index = 0; index < SKILL_BLOCK_SIZE; ++index) {
        if (levels[index] >= LEVEL_COUNT)
            return false;
    }
    return true;
}

// The patch written into TO as TO is now: its table is read again once the
// replacement holds TO's folder, so that a run changing other entries at the
// same time is waited for and its changes kept.
int change_under_lock(const NamedTable* patch)
{
    unsigned char levels[SKILL_BLOCK_SIZE];
    const char* typed = to_file.typed;
    int outcome;
    if (to_file.kind == GAME_KIND) {
        outcome = begin_game_copy(to_file.final_name, name_beside(to_file.final_name, NEW_GAME_EXE_NAME),
                                  &replacement, levels);
        if (outcome != COPY_BEGUN)
            return report_replacement(typed, outcome);
        if (!holds_only_levels(levels)) {
            abandon_copy(&replacement, 0);
            report(typed, "skill block contains invalid data");
            report_file_left_behind();
            return FAILED;
        }
    } else {
        outcome = begin_block_copy(to_file.final_name, to_file.through_link, &replacement, levels);
        if (outcome == FILE_NOT_OPENED)
            return report_replacement(typed, outcome);
        if (outcome != BLOCK_READ)
            return report_reading(&to_file, &to_table, outcome);
    }
    int changed = change_entries(levels, patch);
    if (changed == 0) {  // another run has made the very change meanwhile
        abandon_copy(&replacement, 0);
        report_file_left_behind();
        std::printf("Changed entries: 0\n");
        return finish_output(replacement.removal_error == 0 ? DONE : FAILED, FAILED);
    }
    outcome = to_file.kind == GAME_KIND ? finish_game_copy(&replacement, levels)
                                        : finish_block_copy(&replacement, levels);
    int status = report_replacement(typed, outcome);
    if (outcome != REPLACED && outcome != REPLACED_NOT_SYNCED)
        return status;
    std::printf("Changed entries: %d\n", changed);
    return finish_output(status, FAILED, typed);
}

int apply(const char* from, const char* to)
{
    if (find_file(&to_file, to) != DONE)
        return FAILED;
    if (to_file.kind == TEXT_KIND)
        return report(to, "apply writes only a game executable or a skill block file");
    if (to_file.kind == GAME_KIND && last_component_is(to_file.final_name, NEW_GAME_EXE_NAME))
        return report(to, "is kept for the copy of the game that apply makes");
    if (to_file.kind == BLOCK_KIND && refuse_game_as_target(&to_file) != DONE)
        return FAILED;
    // TO is read first as it is read anywhere, so that what is wrong with it
    // is told before any file is made, and nothing is written where the
    // patch changes nothing.
    if (find_file(&from_file, from) != DONE || read_table(&from_file, &from_table) != DONE
        || read_table(&to_file, &to_table) != DONE)
        return FAILED;
    if (change_entries(to_table.levels, &from_table) == 0) {
        std::printf("Changed entries: 0\n");
        return finish_output(DONE, FAILED);
    }
    return change_under_lock(&from_table);
}

int diff(const char* first, const char* second)
{
    if (find_file(&from_file, first) != DONE || read_table(&from_file, &from_table) != DONE
        || find_file(&to_file, second) != DONE || read_table(&to_file, &to_table) != DONE)
        return USAGE;
    bool different = false;
    for (int slot = 0; slot < SKILL_COUNT; ++slot) {
        for (int class_index = 0; class_index < CLASS_COUNT; ++class_index) {
            if (!names_entry(&from_table, class_index, slot) || !names_entry(&to_table, class_index, slot))
                continue;
            char levels[2][STAGE_COUNT + 1] = {};
            for (int stage = 0; stage < STAGE_COUNT; ++stage) {
                levels[0][stage] = LEVEL_LETTERS[from_table.levels[table_index(class_index, stage, slot)]];
                levels[1][stage] = LEVEL_LETTERS[to_table.levels[table_index(class_index, stage, slot)]];
            }
            if (std::strcmp(levels[0], levels[1]) == 0)
                continue;
            std::printf("%s\t%s\t%s\t%s\n", text_skill_name(slot), class_names[class_index], levels[0],
                        levels[1]);
            different = true;
        }
    }
    return finish_output(different ? FAILED : DONE, USAGE);
}

int usage_error(const char* problem, const char* what = "")
{
    print_error("skilltab: %s%s\nTry 'skilltab --help' for more information.\n", problem, what);
    return USAGE;
}

// The commands, and how many file names each takes.
struct Command {
    const char* name;
    int least, most;
    const char* usage;  // said when the count is wrong
};

constexpr Command COMMANDS[] = {
    {"show", 0, 1, "show takes at most one file name: [FILE]"},
    {"convert", 2, 2, "convert takes two file names: FROM TO"},
    {"apply", 1, 2, "apply takes one or two file names: FROM [TO]"},
    {"diff", 2, 2, "diff takes two file names: A B"},
};

int run_command(const Command& command, int count, char** names)
{
    if (count < command.least || count > command.most)
        return usage_error(command.usage);
    for (int i = 0; i < count; ++i) {
        if (names[i][0] == '\0')
            return usage_error("an empty file name");
    }
    if (std::strcmp(command.name, "show") == 0)
        return show(count == 1 ? names[0] : GAME_EXE_NAME);
    if (std::strcmp(command.name, "convert") == 0)
        return convert(names[0], names[1]);
    if (std::strcmp(command.name, "apply") == 0)
        return apply(names[0], count == 2 ? names[1] : GAME_EXE_NAME);
    return diff(names[0], names[1]);
}

}  // namespace

int run_command_line(int count, char** arguments)
{
    fill_name_tables();
    const char* word = arguments[0];
    bool help = std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0;
    bool version = std::strcmp(word, "--version") == 0;
    if ((help || version) && count > 1)
        return usage_error(word, " takes nothing after it");
    if (help) {
        std::fputs(HELP, stdout);
        return finish_output(DONE, FAILED);
    }
    if (version) {
        std::printf("skilltab %s\n", SKILLTAB_VERSION);
        return finish_output(DONE, FAILED);
    }
    for (const Command& command : COMMANDS) {
        if (std::strcmp(word, command.name) == 0)
            return run_command(command, count - 1, arguments + 1);
    }
    return usage_error("unknown command: ", word);
}
