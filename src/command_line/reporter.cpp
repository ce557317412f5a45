#include "command_line/reporter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/outcome_words.h"
#include "platform/console.h"
#include "platform/error_lines.h"
#include "text/shown_text.h"

std::string shown(const char* text)
{
    return shown_text(text, code_page_is_utf8() ? CodePage::UTF8 : CodePage::OTHER);
}

Status report(const char* name, const char* what)
{
    print_error("skilltab: %s: %s\n", shown(name).c_str(), shown(what).c_str());
    return Status::FAILED;
}

Status report_failure(const char* name, const char* what, int error_number)
{
    print_error("skilltab: %s: %s: %s\n", shown(name).c_str(), what, std::strerror(error_number));
    return Status::FAILED;
}

Status report_result(const FileResult& result, const char* typed, const TableRead* read)
{
    for (const std::string& line : describe_result(result, typed, read, shown))
        print_error("skilltab: %s\n", line.c_str());
    bool clean = is_done(result.outcome) && result.left_behind.error_number == 0;
    return clean ? Status::DONE : Status::FAILED;
}

Status find_file(TableFile* file, const char* typed)
{
    int error_number = find_table_file(file, typed);
    return error_number == 0 ? Status::DONE : report_failure(typed, "cannot open", error_number);
}

Status read_table(const TableFile* file, Table* table)
{
    TableRead read;
    Outcome outcome = read_table_file(file, table, &read);
    return report_result({outcome, read.error_number, {"", 0}}, file->typed, &read);
}

Status refuse_target(const TableFile& file, TargetUse use, const char* text_refusal)
{
    Target target = check_target(file, use);
    switch (target) {
    case Target::ALLOWED: return Status::DONE;
    case Target::GAME_WRITTEN:
    case Target::SAME_AS_GAME:
    case Target::COPY_OF_GAME:
    case Target::TEXT_CHANGED: break;
    }
    return report(file.typed, describe_target(target, text_refusal));
}

Status write_table(const TableFile* file, const Table* table)
{
    return report_result(write_table_file(file, table), file->typed);
}

Status finish_output(Status status, Status failure, const char* replaced)
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return status;
    int error_number = errno;
    if (replaced != nullptr)
        report_failure(replaced, "is replaced, but standard output: cannot write", error_number);
    else
        report_failure("standard output", "cannot write", error_number);
    return failure;
}

Status tell_change(const ChangeResult& result, const char* typed)
{
    const char* replaced = nullptr;  // a file replaced, whatever is said after
    switch (result.end) {
    case ChangeEnd::CONFLICT: report_result(result.file, typed); return Status::FAILED;  // a file left behind
    case ChangeEnd::FAILED: return report_result(result.file, typed);
    case ChangeEnd::WRITTEN: replaced = typed; break;
    case ChangeEnd::NONE: break;
    }
    report_result(result.file, typed);
    std::printf("Changed entries: %d\n", result.count);
    return finish_output(change_succeeded(result) ? Status::DONE : Status::FAILED, Status::FAILED, replaced);
}
