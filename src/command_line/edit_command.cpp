#include "command_line/edit_command.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/table_operations.h"
#include "platform/bytes.h"
#include "platform/console.h"
#include "platform/error_lines.h"
#include "platform/user_editor.h"
#include "text/edit_text.h"
#include "text/text_table.h"

namespace {

constexpr const char* WAITING_LINE = "skilltab: waiting for your editor to close the file...";
// An editor that ends sooner than this with the text untouched has most
// likely only handed the text to a window of its own.
constexpr long AT_ONCE_MILLISECONDS = 1000;

// The user's text, and the digest of what the program last wrote there, so
// that a text saved unchanged is known.
struct EditText {
    char path[TEMPORARY_NAME_MAX + 1];
    TextDigest written;
};

// The program's own text removed: 0, or the error number of a removal that
// failed, for the caller to tell once it has said what came of the work.
int remove_text(const char* path)
{
    return std::remove(path) == 0 ? 0 : errno;
}

// A text that could not be removed, told after the line of the outcome.
Status tell_left_text(Status status, const char* path, int removal_error)
{
    if (removal_error == 0)
        return status;
    return report_failure(path, "cannot remove", removal_error);
}

void tell_text_kept(const char* typed, const char* path)
{
    print_error("skilltab: %s: not changed; your text is in %s\n", shown(typed).c_str(), shown(path).c_str());
}

// The digest of the text in the file; false where it cannot be read.
bool digest_text_file(const char* path, TextDigest* digest)
{
    std::FILE* file = open_for_reading(path);
    if (file == nullptr)
        return false;
    bool read = digest_text(file, digest);
    close_keeping_error_number(file);
    return read;
}

// A new text: `first` and then what is left of `rest`, where one is given.
Status make_text(EditText* text, const char* first, std::FILE* rest)
{
    std::FILE* file = create_temporary_text(text->path);
    if (file == nullptr)
        return report_failure(text->path, "cannot open", errno);
    std::fputs(first, file);
    for (int c; rest != nullptr && (c = read_byte(rest)) != EOF;)
        write_byte(c, file);
    bool read_failed = rest != nullptr && std::ferror(rest);
    bool written = std::fflush(file) == 0 && !std::ferror(file);
    int error_number = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        error_number = errno;
    }
    if (written && !read_failed && !digest_text_file(text->path, &text->written)) {
        read_failed = true;
        error_number = errno;
    }
    if (written && !read_failed)
        return Status::DONE;
    int removal_error = remove_text(text->path);
    report_failure(text->path, read_failed ? "cannot read" : "cannot write", error_number);
    return tell_left_text(Status::FAILED, text->path, removal_error);
}

// The user's text again, with the mistake told at its top in place of an
// earlier one, in a new file; the old one goes once the new one is whole.
Status mark_mistake(EditText* text, const TextError* text_error, const char* typed)
{
    std::string first = format_mistake_lines(*text_error, code_page_is_utf8() ? CodePage::UTF8 : CodePage::OTHER);
    EditText marked;
    std::FILE* old_text = open_for_reading(text->path);
    Status status = old_text == nullptr ? report_failure(text->path, "cannot open", errno) : Status::DONE;
    if (status == Status::DONE) {
        skip_mistake_lines(old_text);
        status = make_text(&marked, first.c_str(), old_text);
        std::fclose(old_text);
    }
    if (status != Status::DONE) {
        tell_text_kept(typed, text->path);
        return status;
    }
    int removal_error = remove_text(text->path);
    if (removal_error != 0) {
        tell_text_kept(typed, marked.path);
        return tell_left_text(Status::FAILED, text->path, removal_error);
    }
    *text = marked;
    return Status::DONE;
}

// Whether the text is still as the program wrote it, as an editor may save
// it again; false where it cannot be read, which the reading then tells.
bool is_unchanged(const EditText* text)
{
    TextDigest saved;
    return digest_text_file(text->path, &saved) && same_digest(saved, text->written);
}

// An editor that returned at once with the text untouched, on a terminal,
// has left the editing to a window of its own: the user says when it is
// done. False where the input ended first.
bool wait_for_the_user(const EditText* text, bool first_round, std::chrono::steady_clock::time_point started)
{
    if (!first_round || !input_is_terminal() || !error_is_terminal()
        || milliseconds_since(started) >= AT_ONCE_MILLISECONDS || !is_unchanged(text))
        return true;
    print_error("skilltab: your editor returned at once; press Enter once you have saved and closed the file\n");
    bool unusable = false;
    for (int c; (c = read_input_byte(&unusable)) != '\n';) {
        if (c == EOF)
            return false;
    }
    return true;
}

// The editor on the text. Where it fails, a text the user has not yet had
// or changed is removed, and one that they have is named.
Status run_editor_on(const EditText* text, bool kept)
{
    std::fflush(stdout);
    bool waiting = error_is_terminal();
    if (waiting)
        std::fputs(WAITING_LINE, stderr);
    auto started = std::chrono::steady_clock::now();
    int status = 0;
    EditorEnd end = run_editor(text->path, &status);
    int error_number = errno;
    if (waiting)
        take_back_error_line(static_cast<int>(std::strlen(WAITING_LINE)));
    char why[256];
    switch (end) {
    case EditorEnd::DONE:
        if (wait_for_the_user(text, !kept, started))
            return Status::DONE;
        std::snprintf(why, sizeof why, "the input ended before Enter");
        break;
    case EditorEnd::NOT_STARTED: std::snprintf(why, sizeof why, "%s", std::strerror(error_number)); break;
    case EditorEnd::FAILED: std::snprintf(why, sizeof why, "exit status %d", status); break;
    case EditorEnd::KILLED: std::snprintf(why, sizeof why, "killed by signal %d", status); break;
    }
    // A text the user has had, or has changed before the editor failed, is
    // theirs: it stays where it is.
    if (kept || !is_unchanged(text)) {
        print_error("skilltab: editor failed: %s; your text is in %s\n", why, shown(text->path).c_str());
        return Status::FAILED;
    }
    int removal_error = remove_text(text->path);
    print_error("skilltab: editor failed: %s\n", why);
    return tell_left_text(Status::FAILED, text->path, removal_error);
}

enum class Reading { VALID, MISTAKE, GIVEN_UP, FAILED };

// The text as the editor left it: a table, a mistake to show, or the text
// that the program wrote after a mistake, saved unchanged.
Reading read_edited_text(const EditText* text, bool after_mistake, Table* table, TextError* text_error)
{
    if (after_mistake && is_unchanged(text))
        return Reading::GIVEN_UP;
    std::FILE* file = open_for_reading(text->path);
    if (file == nullptr) {
        report_failure(text->path, "cannot open", errno);
        return Reading::FAILED;
    }
    skip_mistake_lines(file);
    TextRead outcome = read_text_table(file, table, text_error);
    close_keeping_error_number(file);
    switch (outcome) {
    case TextRead::DONE: return Reading::VALID;
    case TextRead::REFUSED: return Reading::MISTAKE;
    case TextRead::NOT_READ: break;
    }
    report_failure(text->path, "cannot read", errno);
    return Reading::FAILED;
}

// The user's text replaced by a patch of the user's own changes, which
// changes nothing else when applied later (the old text goes once the new
// one is whole): 0, or the error number of the old text's removal, whose
// name goes to old_path.
int keep_patch(const Table* change, EditText* text, char* old_path)
{
    char formatted[TEXT_SIZE_MAX + 1];
    formatted[format_text_table(change, formatted)] = '\0';
    EditText patch;
    old_path[0] = '\0';
    if (make_text(&patch, formatted, nullptr) != Status::DONE)
        return 0;
    std::snprintf(old_path, TEMPORARY_NAME_MAX + 1, "%s", text->path);
    int removal_error = remove_text(text->path);
    *text = patch;
    return removal_error;
}

// After a conflict: the user's text a patch of the user's own changes; then
// each entry in which another run changed a level that the user changed
// too, named.
Status tell_conflict(const TableFile* file, const Table* change, const Table* shown_table,
                     const ChangeResult& result, EditText* text)
{
    char old_path[TEMPORARY_NAME_MAX + 1];
    int removal_error = keep_patch(change, text, old_path);
    tell_change(result, file->typed);  // a new file beside the game left behind
    for (Entry entry : conflicting_entries(result.now, *shown_table, *change)) {
        char yours[ENTRY_SIZE], theirs[ENTRY_SIZE];
        format_table_entry(change, entry.class_index, entry.slot, yours);
        format_table_entry(&result.now, entry.class_index, entry.slot, theirs);
        print_error("skilltab: %s: %s %s: you set %s, it now holds %s\n", shown(file->typed).c_str(),
                    skill_text_names[entry.slot], class_names[entry.class_index], yours, theirs);
    }
    print_error("skilltab: %s: changed while you edited it; your text is in %s\n", shown(file->typed).c_str(),
                shown(text->path).c_str());
    return tell_left_text(Status::FAILED, old_path, removal_error);
}

// The levels the user changed, written into the file as it is now.
Status write_edits(const TableFile* file, const Table* shown_table, const Table* edited, EditText* text)
{
    Table change = *edited;
    if (!keep_changed_levels(&change, shown_table)) {
        int removal_error = remove_text(text->path);
        std::printf("No changes.\n");
        return tell_left_text(finish_output(Status::DONE, Status::FAILED), text->path, removal_error);
    }
    ChangeResult result = change_table(*file, change, shown_table);
    int removal_error = 0;
    switch (result.end) {
    case ChangeEnd::WRITTEN:
    case ChangeEnd::NONE:
        removal_error = remove_text(text->path);
        return tell_left_text(tell_change(result, file->typed), text->path, removal_error);
    case ChangeEnd::CONFLICT: return tell_conflict(file, &change, shown_table, result, text);
    case ChangeEnd::FAILED: {
        // Applied later, the whole table would undo what another run changed meanwhile.
        char old_path[TEMPORARY_NAME_MAX + 1];
        int removal_error = keep_patch(&change, text, old_path);
        tell_change(result, file->typed);
        tell_text_kept(file->typed, text->path);
        return tell_left_text(Status::FAILED, old_path, removal_error);
    }
    }
    return Status::FAILED;
}

}  // namespace

Status edit(const char* name)
{
    TableFile file;
    Table shown_table, edited;
    // Whatever would refuse the change is told before the editor starts.
    if (find_file(&file, name) != Status::DONE
        || refuse_target(file, TargetUse::CHANGE, "edit a text in your editor, then apply it") != Status::DONE
        || read_table(&file, &shown_table) != Status::DONE || report_result(try_change(file), name) != Status::DONE)
        return Status::FAILED;
    char formatted[TEXT_SIZE_MAX + 1];
    formatted[format_text_table(&shown_table, formatted)] = '\0';
    EditText text;
    if (make_text(&text, formatted, nullptr) != Status::DONE)
        return Status::FAILED;
    for (bool after_mistake = false;; after_mistake = true) {
        if (run_editor_on(&text, after_mistake) != Status::DONE)
            return Status::FAILED;
        TextError text_error;
        switch (read_edited_text(&text, after_mistake, &edited, &text_error)) {
        case Reading::VALID: return write_edits(&file, &shown_table, &edited, &text);
        case Reading::FAILED: return Status::FAILED;
        case Reading::GIVEN_UP: tell_text_kept(name, text.path); return Status::FAILED;
        case Reading::MISTAKE:
            // Lines of the program's own in UTF-8 would make a text of two encodings.
            if (text_error.utf16) {
                print_error("skilltab: %s:%lld: %s\n", shown(text.path).c_str(),
                            static_cast<long long>(text_error.line), shown(text_error.message).c_str());
                tell_text_kept(name, text.path);
                return Status::FAILED;
            }
            if (mark_mistake(&text, &text_error, name) != Status::DONE)
                return Status::FAILED;
            break;
        }
    }
}
