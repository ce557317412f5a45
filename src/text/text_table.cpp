#include "text/text_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "text/text_bytes.h"

namespace {

constexpr int NAME_COLUMNS = 14;
constexpr int ENTRY_COLUMNS = 9;
constexpr int RING_SIZE = CLASS_COUNT + 1;  // a row's last fields: its entries, and one more

constexpr const char* COMMENT_LINES =
    "# skilltab skill table: one row per skill, one column per class.\n"
    "# Each entry: unpromoted, first promotion, light path, dark path.\n"
    "# Levels: - none, B Basic, E Expert, M Master, G Grandmaster.\n";

// Where reading a text has got to. A line is taken byte by byte: its fields
// go round a ring that keeps the last few, and those that fall out of a row's
// ring, being no entries, are joined into its skill name.
struct TextReader {
    TextBytes bytes;
    RowChecks checks;
    Word fields[RING_SIZE];
    Word name;
    std::int64_t field_count;  // fields begun on this line
    bool in_field, in_comment;
    bool refused;      // the line is at fault, as the checks' text_error says
};

Word* field_at(TextReader* reader, std::int64_t field)
{
    return &reader->fields[field % RING_SIZE];
}

void begin_field(TextReader* reader)
{
    Word* field = field_at(reader, reader->field_count);
    // The field that this one takes the place of is part of a row's skill name.
    if (reader->checks.class_count > 0 && reader->field_count >= RING_SIZE)
        join_word(&reader->name, field);
    field->length = 0;
    ++reader->field_count;
    reader->in_field = true;
}

// A header's field is checked as soon as it ends; its first fault is the one told.
void end_field(TextReader* reader)
{
    reader->in_field = false;
    if (reader->checks.class_count == 0 && !reader->refused) {
        std::int64_t index = reader->field_count - 1;
        reader->refused = check_header_field(&reader->checks, field_at(reader, index), static_cast<int>(index))
                          != TextRead::DONE;
    }
}

// A byte of a line, neither its end nor a NUL.
void take_byte(TextReader* reader, char c)
{
    if (reader->in_comment)
        return;
    if (c == '#' || c == ' ' || c == '\t') {
        if (reader->in_field)
            end_field(reader);
        reader->in_comment = c == '#';
        return;
    }
    if (!reader->in_field)
        begin_field(reader);
    add_byte(field_at(reader, reader->field_count - 1), c);
}

// A row, once its line has ended: its last fields are its entries, and what
// stands before them its skill name.
TextRead read_row(TextReader* reader)
{
    int class_count = reader->checks.class_count;
    std::int64_t count = reader->field_count;
    if (count < class_count + 1)
        return refuse(&reader->checks, "too few fields");
    for (std::int64_t field = std::max<std::int64_t>(0, count - RING_SIZE); field < count - class_count; ++field)
        join_word(&reader->name, field_at(reader, field));
    const Word* entries[CLASS_COUNT];
    for (int column = 0; column < class_count; ++column)
        entries[column] = field_at(reader, count - class_count + column);
    return check_row(&reader->checks, &reader->name, entries);
}

TextRead end_line(TextReader* reader)
{
    if (reader->in_field)
        end_field(reader);
    if (reader->refused)
        return TextRead::REFUSED;
    if (reader->field_count == 0)
        return TextRead::DONE;  // blank, or a comment
    if (reader->checks.class_count > 0)
        return read_row(reader);
    return end_header(&reader->checks, static_cast<int>(reader->field_count));
}

// Appends text padded with spaces to `columns`.
int put_padded(char* text, int length, const char* what, int columns)
{
    return length + std::snprintf(text + length, TEXT_SIZE_MAX - static_cast<size_t>(length), "%-*s",
                                  columns, what);
}

// Ends a line: trailing spaces go, a line feed comes.
int end_line(char* text, int length)
{
    while (length > 0 && text[length - 1] == ' ')
        --length;
    text[length++] = '\n';
    text[length] = '\0';
    return length;
}

}  // namespace

TextRead read_text_table(std::FILE* file, Table* table, TextError* text_error)
{
    TextReader reader = {};
    start_text_bytes(&reader.bytes, file);
    begin_rows(&reader.checks, table, text_error);
    if (reader.bytes.utf16)
        return refuse_utf16(&reader.checks);
    for (reader.checks.line_number = 1;; ++reader.checks.line_number) {
        reader.field_count = 0;
        reader.name.length = 0;
        reader.in_field = reader.in_comment = false;
        bool any = false;
        int c;
        while ((c = next_text_byte(&reader.bytes)) != EOF && c != '\n') {
            any = true;
            if (c == '\0')
                return refuse(&reader.checks, "a NUL byte");
            if (c == '\r' && !reader.bytes.line_ended)
                return refuse_lone_returns(&reader.checks);
            take_byte(&reader, static_cast<char>(c));
        }
        if (c == EOF && std::ferror(file))
            return TextRead::NOT_READ;
        if (c == EOF && !any)
            break;
        TextRead outcome = end_line(&reader);
        if (outcome != TextRead::DONE)
            return outcome;
        if (c == EOF)
            break;
    }
    return end_rows(&reader.checks);
}

int format_text_table(const Table* table, char* text)
{
    int length = std::snprintf(text, TEXT_SIZE_MAX, "%s", COMMENT_LINES);
    length = put_padded(text, length, "Skill", NAME_COLUMNS);
    for (int class_index = 0; class_index < CLASS_COUNT; ++class_index) {
        if (table->classes[class_index])
            length = put_padded(text, length, class_names[class_index], ENTRY_COLUMNS);
    }
    length = end_line(text, length);
    for (int slot = 0; slot < SKILL_COUNT; ++slot) {
        if (!table->skills[slot])
            continue;
        length = put_padded(text, length, skill_text_names[slot], NAME_COLUMNS);
        for (int class_index = 0; class_index < CLASS_COUNT; ++class_index) {
            if (!table->classes[class_index])
                continue;
            char entry[ENTRY_SIZE];
            format_table_entry(table, class_index, slot, entry);
            length = put_padded(text, length, entry, ENTRY_COLUMNS);
        }
        length = end_line(text, length);
    }
    return length;
}
