#include "text/csv_table.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "text/text_bytes.h"

namespace {

// The header's fields kept for its checks: Skill, and one class more than
// there are, by which a header is sure to have been refused.
constexpr int HEADER_FIELDS = CLASS_COUNT + 2;

constexpr bool is_blank(int c) { return c == ' ' || c == '\t'; }
constexpr bool is_separator_candidate(int c) { return c == ',' || c == ';' || c == '\t'; }

// Where reading a CSV has got to. A row is taken byte by byte; each field
// ends in one of the row's words: the header's in `header`, a row's skill
// name in `name` and its entries in `entries`.
struct CsvReader {
    TextBytes bytes;
    RowChecks checks;
    int separator;       // the file's, once the header is read
    int line_separator;  // the one the row being read uses, before the header
    std::int64_t line;   // the line being read, from 1
    std::int64_t row_line;
    bool row_begun;      // a byte of the row was read
    // The field being read.
    Word field;
    std::int64_t trailing;  // spaces and tabs at its end, outside quotes
    bool field_begun;       // more than blanks before it
    bool in_quotes, just_closed;
    std::int64_t field_count;  // fields ended in this row
    bool any_content;          // a field of the row that is not empty
    // Before and in the header.
    Word header[HEADER_FIELDS];
    int header_count;
    int gap_at;  // the header field after the first empty one between fields, or -1
    bool empty_seen;
    // A row.
    Word name;
    Word entries[CLASS_COUNT];
    bool too_many;
};

void begin_field(CsvReader* reader)
{
    reader->field.length = 0;
    reader->trailing = 0;
    reader->field_begun = reader->in_quotes = reader->just_closed = false;
}

void begin_row(CsvReader* reader)
{
    begin_field(reader);
    reader->row_begun = false;
    reader->line_separator = reader->separator;
    reader->field_count = 0;
    reader->any_content = false;
    reader->header_count = 0;
    reader->gap_at = -1;
    reader->empty_seen = false;
    reader->too_many = false;
}

// A skill's name as a text takes it: each run of spaces and tabs one space.
void take_name(Word* name, const Word* field)
{
    name->length = 0;
    std::int64_t kept = std::min(field->length, static_cast<std::int64_t>(sizeof field->kept));
    for (std::int64_t i = 0; i < kept; ++i) {
        char c = is_blank(field->kept[i]) ? ' ' : field->kept[i];
        if (c != ' ' || (name->length > 0 && name->kept[name->length - 1] != ' '))
            add_byte(name, c);
    }
    if (name->length > 0 && name->length <= QUOTED_MAX && name->kept[name->length - 1] == ' ')
        --name->length;
    name->length += field->length - kept;
}

void end_field(CsvReader* reader)
{
    Word* field = &reader->field;
    field->length -= reader->trailing;
    bool empty = field->length == 0;
    reader->any_content = reader->any_content || !empty;
    std::int64_t index = reader->field_count++;
    if (reader->separator == 0) {  // the header, or a line before it
        if (index == 0) {
            reader->header[reader->header_count++] = *field;
        } else if (empty) {
            reader->empty_seen = true;
        } else {
            if (reader->empty_seen && reader->gap_at < 0)
                reader->gap_at = reader->header_count;
            if (reader->header_count < HEADER_FIELDS)
                reader->header[reader->header_count++] = *field;
        }
    } else if (index == 0) {
        take_name(&reader->name, field);
    } else if (index <= reader->checks.class_count) {
        reader->entries[index - 1] = *field;
    } else {
        reader->too_many = reader->too_many || !empty;
    }
    begin_field(reader);
}

TextRead read_header(CsvReader* reader)
{
    RowChecks* checks = &reader->checks;
    if (reader->line_separator == 0)
        return refuse(checks, "no field separator in the header");
    for (int index = 0; index < reader->header_count; ++index) {
        if (index == reader->gap_at)
            return refuse(checks, "an empty field in the header");
        if (check_header_field(checks, &reader->header[index], index) != TextRead::DONE)
            return TextRead::REFUSED;
    }
    reader->separator = reader->line_separator;
    return end_header(checks, reader->header_count);
}

TextRead read_row(CsvReader* reader)
{
    if (reader->too_many)
        return refuse(&reader->checks, "too many fields");
    static const Word UNSET = {"....", STAGE_COUNT};
    const Word* entries[CLASS_COUNT];
    for (int column = 0; column < reader->checks.class_count; ++column) {
        bool given = column + 1 < reader->field_count && reader->entries[column].length > 0;
        entries[column] = given ? &reader->entries[column] : &UNSET;
    }
    return check_row(&reader->checks, &reader->name, entries);
}

// The row's end, outside quotes: a blank row or a comment is skipped.
TextRead end_row(CsvReader* reader)
{
    end_field(reader);
    TextRead outcome = TextRead::DONE;
    const Word* first = reader->separator == 0 ? &reader->header[0] : &reader->name;
    bool comment = first->length > 0 && first->kept[0] == '#';
    if (reader->any_content && !comment) {
        reader->checks.line_number = reader->row_line;
        outcome = reader->separator == 0 ? read_header(reader) : read_row(reader);
    }
    begin_row(reader);
    return outcome;
}

void add_to_field(CsvReader* reader, char c, bool quoted)
{
    add_byte(&reader->field, c);
    reader->field_begun = true;
    reader->trailing = !quoted && is_blank(c) ? reader->trailing + 1 : 0;
}

// A byte of a row, but a line end outside quotes.
void take_byte(CsvReader* reader, int c)
{
    if (reader->in_quotes) {
        if (c == '"') {
            reader->in_quotes = false;
            reader->just_closed = true;
        } else {
            add_to_field(reader, static_cast<char>(c), true);
        }
        return;
    }
    bool doubled = reader->just_closed && c == '"';
    reader->just_closed = false;
    if (doubled) {  // "" in quotes stands for one
        add_to_field(reader, '"', true);
        reader->in_quotes = true;
        return;
    }
    bool separates = reader->separator == 0 ? is_separator_candidate(c)
                                                  && (reader->line_separator == 0 || c == reader->line_separator)
                                            : c == reader->separator;
    if (separates) {
        reader->line_separator = c;
        end_field(reader);
    } else if (c == '"' && !reader->field_begun) {
        reader->in_quotes = reader->field_begun = true;
    } else if (!is_blank(c) || reader->field_begun) {
        add_to_field(reader, static_cast<char>(c), false);
    }
}

}  // namespace

TextRead read_csv_table(std::FILE* file, Table* table, TextError* text_error)
{
    CsvReader reader = {};
    start_text_bytes(&reader.bytes, file);
    begin_rows(&reader.checks, table, text_error);
    if (reader.bytes.utf16)
        return refuse_utf16(&reader.checks);
    begin_row(&reader);
    reader.line = 1;
    for (int c; (c = next_text_byte(&reader.bytes)) != EOF;) {
        if (!reader.row_begun) {
            reader.row_begun = true;
            reader.row_line = reader.line;
        }
        if (c == '\0') {
            reader.checks.line_number = reader.line;
            return refuse(&reader.checks, "a NUL byte");
        }
        if (c == '\r' && !reader.in_quotes && !reader.bytes.line_ended)
            return refuse_lone_returns(&reader.checks);
        if (c == '\n') {
            bool row_ends = !reader.in_quotes;
            if (row_ends && end_row(&reader) != TextRead::DONE)
                return TextRead::REFUSED;
            if (!row_ends)
                take_byte(&reader, '\n');
            ++reader.line;
        } else {
            take_byte(&reader, c);
        }
    }
    if (std::ferror(file))
        return TextRead::NOT_READ;
    if (reader.in_quotes) {
        reader.checks.line_number = reader.row_line;
        return refuse(&reader.checks, "a quote is not closed");
    }
    if (reader.row_begun && end_row(&reader) != TextRead::DONE)
        return TextRead::REFUSED;
    return end_rows(&reader.checks);
}

int format_csv_table(const Table* table, char* text)
{
    int length = std::snprintf(text, CSV_SIZE_MAX, "Skill");
    for (int class_index = 0; class_index < CLASS_COUNT; ++class_index) {
        if (table->classes[class_index])
            length += std::snprintf(text + length, CSV_SIZE_MAX - static_cast<size_t>(length), ",%s",
                                    class_names[class_index]);
    }
    text[length++] = '\n';
    for (int slot = 0; slot < SKILL_COUNT; ++slot) {
        if (!table->skills[slot])
            continue;
        length += std::snprintf(text + length, CSV_SIZE_MAX - static_cast<size_t>(length), "%s", skill_text_names[slot]);
        for (int class_index = 0; class_index < CLASS_COUNT; ++class_index) {
            if (!table->classes[class_index])
                continue;
            char entry[ENTRY_SIZE];
            format_table_entry(table, class_index, slot, entry);
            bool unset = std::strspn(entry, ".") == STAGE_COUNT;
            length += std::snprintf(text + length, CSV_SIZE_MAX - static_cast<size_t>(length), ",%s", unset ? "" : entry);
        }
        text[length++] = '\n';
    }
    text[length] = '\0';
    return length;
}
