#include "command_line/command_line.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command_line/edit_command.h"
#include "command_line/reporter.h"
#include "core/table_operations.h"
#include "pages/table_page.h"
#include "serve/serve.h"
#include "game/game_exe.h"
#include "platform/error_lines.h"
#include "table/skill_table.h"
#include "text/text_table.h"

namespace {

constexpr const char* HELP =
    "Usage: skilltab                  the menu: run it in the game's folder\n"
    "       skilltab COMMAND FILE...\n"
    "\n"
    "For modders: the command line\n"
    "  skilltab show [FILE]          print FILE's table as text (FILE: mm7.exe)\n"
    "  skilltab convert FROM TO      write FROM's table to TO, in TO's kind\n"
    "  skilltab apply FROM... [TO]   write what the patches FROM set into TO\n"
    "                                (TO: mm7.exe; with one name, it is FROM)\n"
    "  skilltab apply --dry-run FROM... [TO]\n"
    "                                what apply would change, changing nothing\n"
    "  skilltab diff A B             one line per entry that differs in A and B\n"
    "  skilltab diff --patch A B     a patch that makes A into B\n"
    "  skilltab edit [FILE]          FILE's table in your editor ($VISUAL, $EDITOR\n"
    "                                or vi), the levels you change written back\n"
    "  skilltab show --html [FILE]   FILE's table as a web page\n"
    "  skilltab diff --html A B      B's table as a web page, what differs marked\n"
    "  skilltab serve [--port N] [--no-open] [FILE]\n"
    "                                FILE's table in your browser, changed by a click\n"
    "                                and saved as apply saves (FILE: mm7.exe)\n"
    "  skilltab --help, -h           this text\n"
    "  skilltab --version            the version\n"
    "\n"
    "A name that ends in .exe is a game executable, one that ends in .txt a text\n"
    "table, one that ends in .csv a table as a spreadsheet saves it, any other a\n"
    "skill block file. Only apply writes a game, the way the menu's I does. A text\n"
    "may be a patch that names only some classes and skills, and a level . in it\n"
    "is left as it is. Patches that set a level differently are a conflict: apply\n"
    "then writes nothing and names each.\n"
    "Exit status: 0 done; 1 failed, nothing changed unless the message says a file\n"
    "was replaced; 2 usage error. diff: 0 the same, 1 different, 2 trouble.\n";

enum class ShowForm { TEXT, PAGE };

Status show(const char* name, ShowForm form)
{
    TableFile file;
    Table table;
    if (find_file(&file, name) != Status::DONE || read_table(&file, &table) != Status::DONE)
        return Status::FAILED;
    std::string shown_table;
    switch (form) {
    case ShowForm::PAGE: add_table_page(&shown_table, name, &table); break;
    case ShowForm::TEXT: {
        char text[TEXT_SIZE_MAX];
        shown_table.assign(text, static_cast<size_t>(format_text_table(&table, text)));
        break;
    }
    }
    std::fwrite(shown_table.data(), 1, shown_table.size(), stdout);
    return finish_output(Status::DONE, Status::FAILED);
}

Status convert(const char* from, const char* to)
{
    TableFile from_file, to_file;
    Table table;
    if (find_file(&to_file, to) != Status::DONE || refuse_target(to_file, TargetUse::WRITE) != Status::DONE)
        return Status::FAILED;
    if (find_file(&from_file, from) != Status::DONE || read_table(&from_file, &table) != Status::DONE)
        return Status::FAILED;
    switch (to_file.kind) {
    case TableKind::SKILL_BLOCK:
        if (!is_complete(&table))
            return report(to, "a skill block file needs a complete table");
        break;
    case TableKind::GAME_EXE:
    case TableKind::TEXT:
    case TableKind::CSV: break;
    }
    return write_table(&to_file, &table);
}

// Each entry that two patches set differently, told in diff's order.
void tell_conflicts(const std::vector<Table>& patches, const std::vector<PatchConflict>& conflicts, char** names)
{
    for (const PatchConflict& conflict : conflicts) {
        Entry entry = conflict.entry;
        char levels[2][ENTRY_SIZE];
        format_table_entry(&patches[conflict.first], entry.class_index, entry.slot, levels[0]);
        format_table_entry(&patches[conflict.second], entry.class_index, entry.slot, levels[1]);
        print_error("skilltab: %s and %s set %s %s differently: %s and %s\n", shown(names[conflict.first]).c_str(),
                    shown(names[conflict.second]).c_str(), skill_text_names[entry.slot],
                    class_names[entry.class_index], levels[0], levels[1]);
    }
}

// A line an entry that differs: its skill, its class, and its levels in
// the two tables.
void print_difference_lines(const Table* first, const Table* second)
{
    for (Entry entry : differing_entries(*first, *second)) {
        char levels[2][ENTRY_SIZE];
        format_table_entry(first, entry.class_index, entry.slot, levels[0]);
        format_table_entry(second, entry.class_index, entry.slot, levels[1]);
        std::printf("%s\t%s\t%s\t%s\n", skill_text_names[entry.slot], class_names[entry.class_index], levels[0],
                    levels[1]);
    }
}

// What apply would change in TO: a line an entry, TO's levels and then
// those it would get, and the count.
Status tell_dry_run(const Table* to_table, const Table* change)
{
    Table after = *to_table;
    int count = write_change(&after, change);
    print_difference_lines(to_table, &after);
    std::printf("Would change entries: %d\n", count);
    return finish_output(Status::DONE, Status::FAILED);
}

// The patches named first (a game or a block file among them sets every
// level), combined and written into TO under one lock, in one replacement.
enum class ApplyRun { WRITE, DRY_RUN };

// What a dry run tells of TO's writing without making a file: a block file
// marked read-only. A run that writes finds it as it writes.
FileResult check_before_run(const TableFile& file, ApplyRun run)
{
    switch (run) {
    case ApplyRun::DRY_RUN: return check_writable_file(file);
    case ApplyRun::WRITE: break;
    }
    return FileResult{};
}

Status apply(char** froms, int from_count, const char* to, ApplyRun run)
{
    TableFile to_file;
    if (find_file(&to_file, to) != Status::DONE
        || refuse_target(to_file, TargetUse::CHANGE, "apply writes only a game executable or a skill block file")
               != Status::DONE
        || report_result(check_before_run(to_file, run), to) != Status::DONE)
        return Status::FAILED;
    std::vector<Table> patches(static_cast<size_t>(from_count));
    for (int i = 0; i < from_count; ++i) {
        TableFile from_file;
        if (find_file(&from_file, froms[i]) != Status::DONE || read_table(&from_file, &patches[i]) != Status::DONE)
            return Status::FAILED;
    }
    // TO is read first as it is read anywhere, so that what is wrong with it
    // is told before any file is made, and nothing is written where the
    // patches change nothing.
    Table to_table;
    if (read_table(&to_file, &to_table) != Status::DONE)
        return Status::FAILED;
    CombinedPatches combined;
    combine_patches(patches, &combined);
    if (!combined.conflicts.empty()) {
        tell_conflicts(patches, combined.conflicts, froms);
        return Status::FAILED;
    }
    switch (run) {
    case ApplyRun::DRY_RUN: return tell_dry_run(&to_table, &combined.combined);
    case ApplyRun::WRITE: break;
    }
    if (write_change(&to_table, &combined.combined) == 0) {
        std::printf("Changed entries: 0\n");
        return finish_output(Status::DONE, Status::FAILED);
    }
    return tell_change(change_table(to_file, combined.combined, nullptr), to);
}

// A patch that takes the first table to the second, wherever both set a level.
Status print_patch(const char* first, const Table* first_table, const char* second, const Table* second_table)
{
    Table patch;
    if (!make_patch(first_table, second_table, &patch)) {
        print_error("skilltab: %s and %s name no class in common\n", shown(first).c_str(), shown(second).c_str());
        return finish_output(Status::DONE, Status::USAGE);
    }
    char text[TEXT_SIZE_MAX];
    int length = format_text_table(&patch, text);
    std::fwrite(text, 1, static_cast<size_t>(length), stdout);
    bool different = count_differing_entries(first_table, second_table) > 0;
    return finish_output(different ? Status::FAILED : Status::DONE, Status::USAGE);
}

enum class DiffForm { LINES, PAGE, PATCH };

Status diff(const char* first, const char* second, DiffForm form)
{
    TableFile files[2];
    Table tables[2];
    for (int i = 0; i < 2; ++i) {
        if (find_file(&files[i], i == 0 ? first : second) != Status::DONE
            || read_table(&files[i], &tables[i]) != Status::DONE)
            return Status::USAGE;
    }
    switch (form) {
    case DiffForm::PAGE: {
        std::string page;
        bool different = add_difference_page(&page, first, &tables[0], second, &tables[1]) > 0;
        std::fwrite(page.data(), 1, page.size(), stdout);
        return finish_output(different ? Status::FAILED : Status::DONE, Status::USAGE);
    }
    case DiffForm::PATCH: return print_patch(first, &tables[0], second, &tables[1]);
    case DiffForm::LINES: break;
    }
    bool different = !differing_entries(tables[0], tables[1]).empty();
    print_difference_lines(&tables[0], &tables[1]);
    return finish_output(different ? Status::FAILED : Status::DONE, Status::USAGE);
}

Status usage_error(const char* problem, const char* what = "")
{
    print_error("skilltab: %s%s\nTry 'skilltab --help' for more information.\n", problem, shown(what).c_str());
    return Status::USAGE;
}

enum class Job { SHOW, CONVERT, APPLY, DIFF, EDIT, SERVE };

constexpr int ANY_COUNT = 1 << 30;

// The options a command takes right after its name.
enum class Option { NONE, HTML, PATCH, DRY_RUN };

struct OptionName {
    const char* name;
    Option option;
};

// The commands, how many file names each takes, and the options that count
// as such right after it (a name anywhere else).
struct Command {
    const char* name;
    Job job;
    int least, most;
    const char* usage;  // said when the count is wrong
    OptionName options[2];
};

constexpr OptionName NO_OPTION = {nullptr, Option::NONE};

constexpr Command COMMANDS[] = {
    {"show", Job::SHOW, 0, 1, "show takes at most one file name: [FILE]", {{"--html", Option::HTML}, NO_OPTION}},
    {"convert", Job::CONVERT, 2, 2, "convert takes two file names: FROM TO", {NO_OPTION, NO_OPTION}},
    {"apply", Job::APPLY, 1, ANY_COUNT, "apply takes one or more file names: FROM... [TO]",
     {{"--dry-run", Option::DRY_RUN}, NO_OPTION}},
    {"diff", Job::DIFF, 2, 2, "diff takes two file names: A B", {{"--html", Option::HTML}, {"--patch", Option::PATCH}}},
    {"edit", Job::EDIT, 0, 1, "edit takes at most one file name: [FILE]", {NO_OPTION, NO_OPTION}},
    // serve reads its own options and name: a page served to a browser is a front end of its own.
    {"serve", Job::SERVE, 0, ANY_COUNT, "", {NO_OPTION, NO_OPTION}},
};

// Which of the command's options the word is, or NONE.
Option find_option(const Command& command, const char* word)
{
    for (const OptionName& option : command.options) {
        if (option.name != nullptr && std::strcmp(word, option.name) == 0)
            return option.option;
    }
    return Option::NONE;
}

// What each command makes of the option it was given.
DiffForm diff_form(Option option)
{
    switch (option) {
    case Option::HTML: return DiffForm::PAGE;
    case Option::PATCH: return DiffForm::PATCH;
    case Option::NONE:
    case Option::DRY_RUN: break;
    }
    return DiffForm::LINES;
}

ShowForm show_form(Option option)
{
    switch (option) {
    case Option::HTML: return ShowForm::PAGE;
    case Option::NONE:
    case Option::PATCH:
    case Option::DRY_RUN: break;
    }
    return ShowForm::TEXT;
}

ApplyRun apply_run(Option option)
{
    switch (option) {
    case Option::DRY_RUN: return ApplyRun::DRY_RUN;
    case Option::NONE:
    case Option::HTML:
    case Option::PATCH: break;
    }
    return ApplyRun::WRITE;
}

Status run_command(const Command& command, int count, char** names)
{
    switch (command.job) {
    case Job::SERVE: return static_cast<Status>(run_serve(count, names));
    case Job::SHOW:
    case Job::CONVERT:
    case Job::APPLY:
    case Job::DIFF:
    case Job::EDIT: break;
    }
    Option option = count > 0 ? find_option(command, names[0]) : Option::NONE;
    if (option != Option::NONE) {
        ++names;
        --count;
        // Only diff takes two options, and only one of them at a time.
        Option second = count > 0 ? find_option(command, names[0]) : Option::NONE;
        if (second != Option::NONE && second != option)
            return usage_error("diff takes --patch or --html, not both");
    }
    if (count < command.least || count > command.most)
        return usage_error(command.usage);
    for (int i = 0; i < count; ++i) {
        if (names[i][0] == '\0')
            return usage_error("an empty file name");
    }
    switch (command.job) {
    case Job::SHOW: return show(count == 1 ? names[0] : GAME_EXE_NAME, show_form(option));
    case Job::CONVERT: return convert(names[0], names[1]);
    case Job::APPLY:
        return count == 1 ? apply(names, 1, GAME_EXE_NAME, apply_run(option))
                          : apply(names, count - 1, names[count - 1], apply_run(option));
    case Job::DIFF: return diff(names[0], names[1], diff_form(option));
    case Job::EDIT: return edit(count == 1 ? names[0] : GAME_EXE_NAME);
    case Job::SERVE: break;
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
    return static_cast<int>(run_words(count, arguments));
}
