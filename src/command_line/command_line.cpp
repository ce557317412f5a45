#include "command_line/command_line.h"

#include <cstdio>
#include <cstring>

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
    "  skilltab apply FROM [TO]      write the entries FROM names into TO (TO: mm7.exe)\n"
    "  skilltab diff A B             one line per entry that differs in A and B\n"
    "  skilltab edit [FILE]          FILE's table in your editor ($VISUAL, $EDITOR\n"
    "                                or vi), the entries you change written back\n"
    "  skilltab show --html [FILE]   FILE's table as a web page\n"
    "  skilltab diff --html A B      B's table as a web page, what differs marked\n"
    "  skilltab --help, -h           this text\n"
    "  skilltab --version            the version\n"
    "\n"
    "A name that ends in .exe is a game executable, one that ends in .txt a text\n"
    "table, any other a skill block file. Only apply writes a game, the way the\n"
    "menu's I does. A text may be a patch that names only some classes and skills.\n"
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
    case TableKind::TEXT: break;
    }
    return write_table(&to_file, &table);
}

Status apply(const char* from, const char* to)
{
    TableFile from_file, to_file;
    Table patch, to_table;
    if (find_file(&to_file, to) != Status::DONE
        || refuse_as_changed_file(&to_file, "apply writes only a game executable or a skill block file")
               != Status::DONE)
        return Status::FAILED;
    // TO is read first as it is read anywhere, so that what is wrong with it
    // is told before any file is made, and nothing is written where the
    // patch changes nothing.
    if (find_file(&from_file, from) != Status::DONE || read_table(&from_file, &patch) != Status::DONE
        || read_table(&to_file, &to_table) != Status::DONE)
        return Status::FAILED;
    if (write_change(&to_table, &patch) == 0) {
        std::printf("Changed entries: 0\n");
        return finish_output(Status::DONE, Status::FAILED);
    }
    Changed changed;
    int count;
    Status status = change_under_lock(&to_file, &patch, nullptr, &changed, &count);
    if (changed == Changed::WRITTEN || changed == Changed::NONE)
        return tell_changed(status, changed, count, to);
    return status;
}

Status diff(const char* first, const char* second, bool html)
{
    TableFile files[2];
    Table tables[2];
    for (int i = 0; i < 2; ++i) {
        if (find_file(&files[i], i == 0 ? first : second) != Status::DONE
            || read_table(&files[i], &tables[i]) != Status::DONE)
            return Status::USAGE;
    }
    if (html) {
        bool different = print_difference_page(stdout, first, &tables[0], second, &tables[1]) > 0;
        return finish_output(different ? Status::FAILED : Status::DONE, Status::USAGE);
    }
    bool different = false;
    for (int entry = next_differing_entry(&tables[0], &tables[1], FIRST_POSITION); entry != END_POSITION;
         entry = next_differing_entry(&tables[0], &tables[1], entry)) {
        int class_index = entry_class(entry), slot = entry_slot(entry);
        char levels[2][ENTRY_SIZE];
        for (int i = 0; i < 2; ++i)
            format_entry(tables[i].levels, class_index, slot, levels[i]);
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
    {"edit", Job::EDIT, 0, 1, "edit takes at most one file name: [FILE]"},
};

Status run_command(const Command& command, int count, char** names)
{
    // --html is an option right after show or diff, a name anywhere else.
    bool html = (command.job == Job::SHOW || command.job == Job::DIFF) && count > 0
                && std::strcmp(names[0], "--html") == 0;
    if (html) {
        ++names;
        --count;
    }
    if (count < command.least || count > command.most)
        return usage_error(command.usage);
    for (int i = 0; i < count; ++i) {
        if (names[i][0] == '\0')
            return usage_error("an empty file name");
    }
    switch (command.job) {
    case Job::SHOW: return show(count == 1 ? names[0] : GAME_EXE_NAME, html);
    case Job::CONVERT: return convert(names[0], names[1]);
    case Job::APPLY: return apply(names[0], count == 2 ? names[1] : GAME_EXE_NAME);
    case Job::DIFF: return diff(names[0], names[1], html);
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
