#include "command_line/edit_command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/table_operations.h"
#include "platform/bytes.h"
#include "platform/error_lines.h"
#include "platform/user_editor.h"
#include "text/text_table.h"

namespace {

// What a text that breaks a reading rule gets at its top, for its next round
// in the editor; taken off again before the text is read.
constexpr const char* MISTAKE_START = "# skilltab: ";
constexpr const char* MEND_LINE = "# Mend the text and save it, or save it unchanged to give up.";

// The user's text, and what the program last wrote there, so that a text
// saved unchanged is known (FNV-1a over its bytes).
struct EditText {
    char path[TEMPORARY_NAME_MAX + 1];
    unsigned long long written_hash;
    long written_size;
};

constexpr unsigned long long HASH_START = 14695981039346656037ull;

unsigned long long hash_byte(unsigned long long hash, int c)
{
    return (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
}

// Writes bytes to the text, keeping its hash.
void put_text(EditText* text, std::FILE* file, const char* bytes, size_t size)
{
    std::fwrite(bytes, 1, size, file);
    for (size_t i = 0; i < size; ++i)
        text->written_hash = hash_byte(text->written_hash, bytes[i]);
    text->written_size += static_cast<long>(size);
}

// Reads one line and tells whether it is `expected` (a CR before its LF
// allowed), or with `prefix`, whether it starts with it.
bool line_matches(std::FILE* file, const char* expected, bool prefix)
{
    size_t length = std::strlen(expected), count = 0;
    bool matches = true, carriage_return = false;
    int c;
    while ((c = read_byte(file)) != EOF && c != '\n') {
        matches = matches && (count >= length || c == expected[count]);
        carriage_return = c == '\r';
        ++count;
    }
    bool whole = count == length || (count == length + 1 && carriage_return);
    return c == '\n' && matches && (prefix ? count >= length : whole);
}

// Positions the text after a byte-order mark and the program's two lines
// of a mistake, where they stand at its top.
void skip_mistake_lines(std::FILE* file)
{
    long start = read_byte(file) == 0xEF && read_byte(file) == 0xBB && read_byte(file) == 0xBF ? 3 : 0;
    std::fseek(file, start, SEEK_SET);
    if (line_matches(file, MISTAKE_START, true) && line_matches(file, MEND_LINE, false))
        return;
    std::fseek(file, start, SEEK_SET);
}

// A new text: `first` and then what is left of `rest`, where one is given.
Status make_text(EditText* text, const char* first, std::FILE* rest)
{
    std::FILE* file = create_temporary_text(text->path);
    if (file == nullptr)
        return report_failure(text->path, "cannot open");
    text->written_hash = HASH_START;
    text->written_size = 0;
    put_text(text, file, first, std::strlen(first));
    for (int c; rest != nullptr && (c = read_byte(rest)) != EOF;) {
        char byte = static_cast<char>(c);
        put_text(text, file, &byte, 1);
    }
    bool read_failed = rest != nullptr && std::ferror(rest);
    bool written = std::fflush(file) == 0 && !std::ferror(file);
    int error_number = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        error_number = errno;
    }
    if (written && !read_failed)
        return Status::DONE;
    std::remove(text->path);
    errno = error_number;
    return report_failure(text->path, read_failed ? "cannot read" : "cannot write");
}

// The user's text again, with the mistake told at its top in place of an
// earlier one, in a new file; the old one goes once the new one is whole.
Status mark_mistake(EditText* text, const TextError* text_error, const char* typed)
{
    char first[sizeof text_error->message + 128];
    if (text_error->line == 0)
        std::snprintf(first, sizeof first, "%s%s\n%s\n", MISTAKE_START, text_error->message, MEND_LINE);
    else
        std::snprintf(first, sizeof first, "%sline %d: %s\n%s\n", MISTAKE_START, text_error->line,
                      text_error->message, MEND_LINE);
    EditText marked;
    std::FILE* old_text = open_for_reading(text->path);
    Status status = old_text == nullptr ? report_failure(text->path, "cannot open") : Status::DONE;
    if (status == Status::DONE) {
        skip_mistake_lines(old_text);
        status = make_text(&marked, first, old_text);
        std::fclose(old_text);
    }
    if (status != Status::DONE) {
        print_error("skilltab: %s: not changed; your text is in %s\n", typed, text->path);
        return status;
    }
    std::remove(text->path);
    *text = marked;
    return Status::DONE;
}

// The editor on the text. Where it fails, a text the user has not yet had
// is removed, and one that they have is named.
Status run_editor_on(const EditText* text, bool kept)
{
    std::fflush(stdout);
    int status = 0;
    char why[256];
    switch (run_editor(text->path, &status)) {
    case EditorEnd::DONE: return Status::DONE;
    case EditorEnd::NOT_STARTED: std::snprintf(why, sizeof why, "%s", std::strerror(errno)); break;
    case EditorEnd::FAILED: std::snprintf(why, sizeof why, "exit status %d", status); break;
    case EditorEnd::KILLED: std::snprintf(why, sizeof why, "killed by signal %d", status); break;
    }
    if (kept) {
        print_error("skilltab: editor failed: %s; your text is in %s\n", why, text->path);
    } else {
        std::remove(text->path);
        print_error("skilltab: editor failed: %s\n", why);
    }
    return Status::FAILED;
}

enum class Reading { VALID, MISTAKE, GIVEN_UP, FAILED };

// The text as the editor left it: a table, a mistake to show, or the text
// that the program wrote after a mistake, saved unchanged.
Reading read_edited_text(const EditText* text, bool after_mistake, Table* table, TextError* text_error)
{
    std::FILE* file = open_for_reading(text->path);
    if (file == nullptr) {
        report_failure(text->path, "cannot open");
        return Reading::FAILED;
    }
    unsigned long long hash = HASH_START;
    long size = 0;
    for (int c; (c = read_byte(file)) != EOF; ++size)
        hash = hash_byte(hash, c);
    TextRead outcome = TextRead::NOT_READ;
    if (!std::ferror(file) && std::fseek(file, 0, SEEK_SET) == 0) {
        if (after_mistake && hash == text->written_hash && size == text->written_size) {
            std::fclose(file);
            return Reading::GIVEN_UP;
        }
        skip_mistake_lines(file);
        outcome = read_text_table(file, table, text_error);
    }
    close_keeping_error_number(file);
    switch (outcome) {
    case TextRead::DONE: return Reading::VALID;
    case TextRead::REFUSED: return Reading::MISTAKE;
    case TextRead::NOT_READ: break;
    }
    report_failure(text->path, "cannot read");
    return Reading::FAILED;
}

// The entries the user changed, written into the file as it is now.
Status write_edits(const TableFile* file, const Table* shown, const Table* edited, const EditText* text)
{
    Table change = *edited;
    if (!keep_changed_entries(&change, shown)) {
        std::remove(text->path);
        std::printf("No changes.\n");
        return finish_output(Status::DONE, Status::FAILED);
    }
    Changed changed;
    int count = 0;
    Status status = change_under_lock(file, &change, shown, &changed, &count);
    switch (changed) {
    case Changed::WRITTEN:
    case Changed::NONE: std::remove(text->path); return tell_changed(status, changed, count, file->typed);
    case Changed::CONFLICT:
        print_error("skilltab: %s: changed while you edited it; your text is in %s\n", file->typed, text->path);
        break;
    case Changed::FAILED:
        print_error("skilltab: %s: not changed; your text is in %s\n", file->typed, text->path);
        break;
    }
    return Status::FAILED;
}

}  // namespace

Status edit(const char* name)
{
    TableFile file;
    Table shown, edited;
    if (find_file(&file, name) != Status::DONE
        || refuse_as_changed_file(&file, "edit a text in your editor, then apply it") != Status::DONE
        || read_table(&file, &shown) != Status::DONE)
        return Status::FAILED;
    char formatted[TEXT_SIZE_MAX + 1];
    formatted[format_text_table(&shown, formatted)] = '\0';
    EditText text;
    if (make_text(&text, formatted, nullptr) != Status::DONE)
        return Status::FAILED;
    for (bool after_mistake = false;; after_mistake = true) {
        if (run_editor_on(&text, after_mistake) != Status::DONE)
            return Status::FAILED;
        TextError text_error;
        switch (read_edited_text(&text, after_mistake, &edited, &text_error)) {
        case Reading::VALID: return write_edits(&file, &shown, &edited, &text);
        case Reading::FAILED: return Status::FAILED;
        case Reading::GIVEN_UP:
            print_error("skilltab: %s: not changed; your text is in %s\n", name, text.path);
            return Status::FAILED;
        case Reading::MISTAKE:
            if (mark_mistake(&text, &text_error, name) != Status::DONE)
                return Status::FAILED;
            break;
        }
    }
}
