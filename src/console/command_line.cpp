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

// The exit status.
enum class Status { DONE = 0, FAILED = 1, USAGE = 2 };

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

// Where a name leads, and what kind of file it is there.
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

// A block or a text never goes over another name of a game, nor of the
// copy I makes of one.
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

// A text or a block, as the name asks.
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

// Output that never reached its reader must not pass for a clean run; nor
// may a file that was replaced all the same pass for one left as it was.
Status finish_output(Status status, Status failure, const char* replaced = nullptr)
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return status;
    if (replaced != nullptr)
        report_failure(replaced, "is replaced, but standard output: cannot write");
    else
        report_failure("standard output", "cannot write");
    return failure;
}

Status show(const char* name)
{
    NamedFile file;
    NamedTable table;
    if (find_file(&file, name) != Status::DONE || read_table(&file, &table) != Status::DONE)
        return Status::FAILED;
    char text[TEXT_SIZE_MAX];
    int length = format_text_table(&table, text);
    std::fwrite(text, 1, static_cast<size_t>(length), stdout);
    return finish_output(Status::DONE, Status::FAILED);
}

Status convert(const char* from, const char* to)
{
    NamedFile from_file, to_file;
    NamedTable table;
    if (find_file(&to_file, to) != Status::DONE)
        return Status::FAILED;
    if (to_file.format == Format::GAME_EXE)
        return report(to, "convert writes no game executable: use apply");
    if (refuse_game_as_target(&to_file) != Status::DONE)
        return Status::FAILED;
    if (find_file(&from_file, from) != Status::DONE || read_table(&from_file, &table) != Status::DONE)
        return Status::FAILED;
    if (to_file.format == Format::SKILL_BLOCK && !is_complete(&table))
        return report(to, "a skill block file needs a complete table");
    return write_table(&to_file, &table);
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

// The patch written into TO as TO is now: its table is read again once the
// replacement holds TO's folder, so that a run changing other entries at the
// same time is waited for and its changes kept.
Status change_under_lock(const NamedFile* to_file, const NamedTable* patch)
{
    unsigned char levels[SKILL_BLOCK_SIZE];
    const char* typed = to_file->typed;
    bool game = to_file->format == Format::GAME_EXE;
    Replacement replacement;
    char copy_name[BESIDE_MAX];
    Outcome outcome = game ? begin_game_copy(to_file->final_name,
                                             name_beside(to_file->final_name, NEW_GAME_EXE_NAME, copy_name),
                                             &replacement, levels)
                           : begin_block_copy(to_file->final_name, to_file->through_link, &replacement, levels);
    if (outcome == Outcome::DONE && !holds_only_levels(levels))
        outcome = abandon_copy(&replacement, Outcome::INVALID);  // a game's block is read raw
    if (outcome != Outcome::DONE)
        return report_outcome(outcome, typed, &replacement);
    int changed = change_entries(levels, patch);
    if (changed == 0) {  // another run has made the very change meanwhile
        abandon_copy(&replacement, Outcome::DONE);
        Status status = report_outcome(Outcome::DONE, typed, &replacement);
        std::printf("Changed entries: 0\n");
        return finish_output(replacement.removal_error == 0 ? status : Status::FAILED, Status::FAILED);
    }
    outcome = game ? finish_game_copy(&replacement, levels) : finish_block_copy(&replacement, levels);
    Status status = report_outcome(outcome, typed, &replacement);
    if (outcome != Outcome::DONE && outcome != Outcome::NOT_SYNCED)
        return status;
    std::printf("Changed entries: %d\n", changed);
    return finish_output(status, Status::FAILED, typed);
}

Status apply(const char* from, const char* to)
{
    NamedFile from_file, to_file;
    NamedTable patch, to_table;
    if (find_file(&to_file, to) != Status::DONE)
        return Status::FAILED;
    if (to_file.format == Format::TEXT)
        return report(to, "apply writes only a game executable or a skill block file");
    if (to_file.format == Format::GAME_EXE && last_component_is(to_file.final_name, NEW_GAME_EXE_NAME))
        return report(to, "is kept for the copy of the game that apply makes");
    if (to_file.format == Format::SKILL_BLOCK && refuse_game_as_target(&to_file) != Status::DONE)
        return Status::FAILED;
    // TO is read first as it is read anywhere, so that what is wrong with it
    // is told before any file is made, and nothing is written where the
    // patch changes nothing.
    if (find_file(&from_file, from) != Status::DONE || read_table(&from_file, &patch) != Status::DONE
        || read_table(&to_file, &to_table) != Status::DONE)
        return Status::FAILED;
    if (change_entries(to_table.levels, &patch) == 0) {
        std::printf("Changed entries: 0\n");
        return finish_output(Status::DONE, Status::FAILED);
    }
    return change_under_lock(&to_file, &patch);
}

Status diff(const char* first, const char* second)
{
    NamedFile files[2];
    NamedTable tables[2];
    for (int i = 0; i < 2; ++i) {
        if (find_file(&files[i], i == 0 ? first : second) != Status::DONE
            || read_table(&files[i], &tables[i]) != Status::DONE)
            return Status::USAGE;
    }
    bool different = false;
    for (int slot = 0; slot < SKILL_COUNT; ++slot) {
        for (int class_index = 0; class_index < CLASS_COUNT; ++class_index) {
            if (!names_entry(&tables[0], class_index, slot) || !names_entry(&tables[1], class_index, slot))
                continue;
            char levels[2][ENTRY_SIZE];
            for (int i = 0; i < 2; ++i)
                format_entry(tables[i].levels, class_index, slot, levels[i]);
            if (std::strcmp(levels[0], levels[1]) == 0)
                continue;
            std::printf("%s\t%s\t%s\t%s\n", text_skill_name(slot), class_names[class_index], levels[0],
                        levels[1]);
            different = true;
        }
    }
    return finish_output(different ? Status::FAILED : Status::DONE, Status::USAGE);
}

Status usage_error(const char* problem, const char* what = "")
{
    print_error("skilltab: %s%s\nTry 'skilltab --help' for more information.\n", problem, what);
    return Status::USAGE;
}

enum class Job { SHOW, CONVERT, APPLY, DIFF };

// The commands, and how many file names each takes.
struct Command {
    const char* name;
    Job job;
    int least, most;
    const char* usage;  // said when the count is wrong
};

constexpr Command COMMANDS[] = {
    {"show", Job::SHOW, 0, 1, "show takes at most one file name: [FILE]"},
    {"convert", Job::CONVERT, 2, 2, "convert takes two file names: FROM TO"},
    {"apply", Job::APPLY, 1, 2, "apply takes one or two file names: FROM [TO]"},
    {"diff", Job::DIFF, 2, 2, "diff takes two file names: A B"},
};

Status run_command(const Command& command, int count, char** names)
{
    if (count < command.least || count > command.most)
        return usage_error(command.usage);
    for (int i = 0; i < count; ++i) {
        if (names[i][0] == '\0')
            return usage_error("an empty file name");
    }
    switch (command.job) {
    case Job::SHOW: return show(count == 1 ? names[0] : GAME_EXE_NAME);
    case Job::CONVERT: return convert(names[0], names[1]);
    case Job::APPLY: return apply(names[0], count == 2 ? names[1] : GAME_EXE_NAME);
    case Job::DIFF: return diff(names[0], names[1]);
    }
    return Status::USAGE;
}

Status run_words(int count, char** arguments)
{
    const char* word = arguments[0];
    bool help = std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0;
    bool version = std::strcmp(word, "--version") == 0;
    if ((help || version) && count > 1)
        return usage_error(word, " takes nothing after it");
    if (help) {
        std::fputs(HELP, stdout);
        return finish_output(Status::DONE, Status::FAILED);
    }
    if (version) {
        std::printf("skilltab %s\n", SKILLTAB_VERSION);
        return finish_output(Status::DONE, Status::FAILED);
    }
    for (const Command& command : COMMANDS) {
        if (std::strcmp(word, command.name) == 0)
            return run_command(command, count - 1, arguments + 1);
    }
    return usage_error("unknown command: ", word);
}

}  // namespace

int run_command_line(int count, char** arguments)
{
    fill_name_tables();
    return static_cast<int>(run_words(count, arguments));
}
