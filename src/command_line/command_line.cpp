#include "command_line/command_line.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "command_line/edit_command.h"
#include "command_line/html_page.h"
#include "command_line/reporter.h"
#include "core/table_operations.h"
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

Status show(const char* name, bool html)
{
    TableFile file;
    Table table;
    if (find_file(&file, name) != Status::DONE || read_table(&file, &table) != Status::DONE)
        return Status::FAILED;
    if (html) {
        print_table_page(stdout, name, &table);
    } else {
        char text[TEXT_SIZE_MAX];
        int length = format_text_table(&table, text);
        std::fwrite(text, 1, static_cast<size_t>(length), stdout);
    }
    return finish_output(Status::DONE, Status::FAILED);
}

Status convert(const char* from, const char* to)
{
    TableFile from_file, to_file;
    Table table;
    if (find_file(&to_file, to) != Status::DONE || refuse_as_converted_file(&to_file) != Status::DONE)
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

// Where two patches set a level of one entry differently, each such entry
// told, in diff's order: true when there is none.
bool check_conflicts(const Table* patches, char** names, int count)
{
    int first = 0, second = 0;
    int entry = next_patch_conflict(patches, count, FIRST_POSITION, &first, &second);
    bool clear = entry == END_POSITION;
    for (; entry != END_POSITION; entry = next_patch_conflict(patches, count, entry, &first, &second)) {
        int slot = entry_slot(entry), class_index = entry_class(entry);
        char levels[2][ENTRY_SIZE];
        format_table_entry(&patches[first], class_index, slot, levels[0]);
        format_table_entry(&patches[second], class_index, slot, levels[1]);
        print_error("skilltab: %s and %s set %s %s differently: %s and %s\n", shown(names[first]).c_str(),
                    shown(names[second]).c_str(), skill_text_names[slot], class_names[class_index], levels[0],
                    levels[1]);
    }
    return clear;
}

// What apply would change in TO: a line an entry, TO's levels and then
// those it would get, and the count.
Status tell_dry_run(const Table* to_table, const Table* change)
{
    Table after = *to_table;
    int count = write_change(&after, change);
    for (int entry = next_differing_entry(to_table, change, FIRST_POSITION); entry != END_POSITION;
         entry = next_differing_entry(to_table, change, entry)) {
        int class_index = entry_class(entry), slot = entry_slot(entry);
        char levels[2][ENTRY_SIZE];
        format_table_entry(to_table, class_index, slot, levels[0]);
        format_table_entry(&after, class_index, slot, levels[1]);
        std::printf("%s\t%s\t%s\t%s\n", skill_text_names[slot], class_names[class_index], levels[0], levels[1]);
    }
    std::printf("Would change entries: %d\n", count);
    return finish_output(Status::DONE, Status::FAILED);
}

// The patches named first (a game or a block file among them sets every
// level), combined and written into TO under one lock, in one replacement.
Status apply(char** froms, int from_count, const char* to, bool dry_run)
{
    TableFile to_file;
    if (find_file(&to_file, to) != Status::DONE
        || refuse_as_changed_file(&to_file, "apply writes only a game executable or a skill block file")
               != Status::DONE
        || (dry_run && refuse_unwritable(&to_file) != Status::DONE))
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
    if (read_table(&to_file, &to_table) != Status::DONE || !check_conflicts(patches.data(), froms, from_count))
        return Status::FAILED;
    Table combined;
    clear_table(&combined);
    for (const Table& patch : patches)
        add_patch(&combined, &patch);
    if (dry_run)
        return tell_dry_run(&to_table, &combined);
    if (write_change(&to_table, &combined) == 0) {
        std::printf("Changed entries: 0\n");
        return finish_output(Status::DONE, Status::FAILED);
    }
    Changed changed;
    int count;
    Table now;
    Status status = change_under_lock(&to_file, &combined, nullptr, &changed, &count, &now);
    if (changed == Changed::WRITTEN || changed == Changed::NONE)
        return tell_changed(status, changed, count, to);
    return status;
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
        bool different = print_difference_page(stdout, first, &tables[0], second, &tables[1]) > 0;
        return finish_output(different ? Status::FAILED : Status::DONE, Status::USAGE);
    }
    case DiffForm::PATCH: return print_patch(first, &tables[0], second, &tables[1]);
    case DiffForm::LINES: break;
    }
    bool different = false;
    for (int entry = next_differing_entry(&tables[0], &tables[1], FIRST_POSITION); entry != END_POSITION;
         entry = next_differing_entry(&tables[0], &tables[1], entry)) {
        int class_index = entry_class(entry), slot = entry_slot(entry);
        char levels[2][ENTRY_SIZE];
        for (int i = 0; i < 2; ++i)
            format_table_entry(&tables[i], class_index, slot, levels[i]);
        std::printf("%s\t%s\t%s\t%s\n", skill_text_names[slot], class_names[class_index], levels[0], levels[1]);
        different = true;
    }
    return finish_output(different ? Status::FAILED : Status::DONE, Status::USAGE);
}

Status usage_error(const char* problem, const char* what = "")
{
    print_error("skilltab: %s%s\nTry 'skilltab --help' for more information.\n", problem, shown(what).c_str());
    return Status::USAGE;
}

enum class Job { SHOW, CONVERT, APPLY, DIFF, EDIT };

constexpr int ANY_COUNT = 1 << 30;

// The commands, how many file names each takes, and the options that count
// as such right after it (a name anywhere else).
struct Command {
    const char* name;
    Job job;
    int least, most;
    const char* usage;  // said when the count is wrong
    const char* options[2];
};

constexpr Command COMMANDS[] = {
    {"show", Job::SHOW, 0, 1, "show takes at most one file name: [FILE]", {"--html", nullptr}},
    {"convert", Job::CONVERT, 2, 2, "convert takes two file names: FROM TO", {nullptr, nullptr}},
    {"apply", Job::APPLY, 1, ANY_COUNT, "apply takes one or more file names: FROM... [TO]", {"--dry-run", nullptr}},
    {"diff", Job::DIFF, 2, 2, "diff takes two file names: A B", {"--html", "--patch"}},
    {"edit", Job::EDIT, 0, 1, "edit takes at most one file name: [FILE]", {nullptr, nullptr}},
};

// Which of the command's options the word is: 0 or 1, or -1.
int find_option(const Command& command, const char* word)
{
    for (int i = 0; i < 2; ++i) {
        if (command.options[i] != nullptr && std::strcmp(word, command.options[i]) == 0)
            return i;
    }
    return -1;
}

Status run_command(const Command& command, int count, char** names)
{
    int option = count > 0 ? find_option(command, names[0]) : -1;
    if (option >= 0) {
        ++names;
        --count;
        if (count > 0 && find_option(command, names[0]) == 1 - option)
            return usage_error("diff takes --patch or --html, not both");
    }
    if (count < command.least || count > command.most)
        return usage_error(command.usage);
    for (int i = 0; i < count; ++i) {
        if (names[i][0] == '\0')
            return usage_error("an empty file name");
    }
    switch (command.job) {
    case Job::SHOW: return show(count == 1 ? names[0] : GAME_EXE_NAME, option == 0);
    case Job::CONVERT: return convert(names[0], names[1]);
    case Job::APPLY:
        return count == 1 ? apply(names, 1, GAME_EXE_NAME, option == 0) : apply(names, count - 1, names[count - 1], option == 0);
    case Job::DIFF:
        return diff(names[0], names[1], option == 0 ? DiffForm::PAGE : option == 1 ? DiffForm::PATCH : DiffForm::LINES);
    case Job::EDIT: return edit(count == 1 ? names[0] : GAME_EXE_NAME);
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
