#include "text/text_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/bytes.h"
#include "table/names.h"
#include "text/utf8.h"

namespace {

constexpr int NAME_COLUMNS = 14;
constexpr int ENTRY_COLUMNS = 9;
constexpr int QUOTED_MAX = 1000;          // the most bytes of a word that a message quotes
constexpr int RING_SIZE = CLASS_COUNT + 1;  // a row's last fields: its entries, and one more

constexpr const char* COMMENT_LINES =
    "# skilltab skill table: one row per skill, one column per class.\n"
    "# Each entry: unpromoted, first promotion, light path, dark path.\n"
    "# Levels: - none, B Basic, E Expert, M Master, G Grandmaster.\n";

char skill_text_names[SKILL_COUNT][SKILL_NAME_SIZE];

// A word of a line as it is read: its first bytes and its whole length, so
// that a line of any length is read in the same small memory.
struct Word {
    char kept[QUOTED_MAX + 1];
    long length;
};

// Where reading a text has got to. A line is taken byte by byte: its fields
// go round a ring that keeps the last few, and those that fall out of a row's
// ring, being no entries, are joined into its skill name.
struct TextReader {
    std::FILE* file;
    NamedTable* table;
    TextError* text_error;
    int line_number;
    int class_count;  // the header's, 0 until the header is read
    int order[CLASS_COUNT];
    Word fields[RING_SIZE];
    Word name;
    long field_count;  // fields begun on this line
    bool in_field, in_comment;
    bool refused;      // the line is at fault, as text_error says
    int held[3];       // bytes read ahead at the start, to be taken again
    int held_count;
};

bool word_is(const Word* word, const char* name)
{
    return word->length <= QUOTED_MAX && same_ignoring_case(word->kept, static_cast<size_t>(word->length), name);
}

bool is_four_levels(const Word* field)
{
    if (field->length != STAGE_COUNT)
        return false;
    for (int stage = 0; stage < STAGE_COUNT; ++stage) {
        if (level_of_letter(static_cast<unsigned char>(field->kept[stage])) < 0)
            return false;
    }
    return true;
}

void add_byte(Word* word, char c)
{
    if (word->length < static_cast<long>(sizeof word->kept))
        word->kept[word->length] = c;
    ++word->length;
}

// A field joined to a skill name, with one space between.
void join_word(Word* name, const Word* field)
{
    if (name->length > 0)
        add_byte(name, ' ');
    long kept = std::min(field->length, static_cast<long>(sizeof field->kept));
    for (long i = 0; i < kept; ++i)
        add_byte(name, field->kept[i]);
    name->length += field->length - kept;
}

// How much of a word a message quotes: all of it up to QUOTED_MAX bytes;
// else at most that many, cut before a UTF-8 character rather than inside.
long quoted_length(const Word* word)
{
    if (word->length <= QUOTED_MAX)
        return word->length;
    const unsigned char* kept = reinterpret_cast<const unsigned char*>(word->kept);
    long kept_length = std::min(word->length, static_cast<long>(sizeof word->kept));
    for (long start = QUOTED_MAX - 1; start > QUOTED_MAX - 4; --start) {
        if (utf8_sequence_length(kept + start, kept_length - start) > QUOTED_MAX - start)
            return start;  // the character the cut falls in
    }
    return QUOTED_MAX;
}

TextRead refuse(TextReader* reader, const char* what, const Word* word = nullptr)
{
    TextError* text_error = reader->text_error;
    text_error->line = reader->line_number;
    if (word == nullptr) {
        std::snprintf(text_error->message, sizeof text_error->message, "%s", what);
    } else {
        long length = quoted_length(word);
        std::snprintf(text_error->message, sizeof text_error->message, "%s%.*s%s", what,
                      static_cast<int>(length), word->kept, length < word->length ? "..." : "");
    }
    reader->refused = true;
    return TextRead::REFUSED;
}

Word* field_at(TextReader* reader, long field)
{
    return &reader->fields[field % RING_SIZE];
}

// A header's field is checked as soon as it ends; its first fault is the one told.
void check_header_field(TextReader* reader)
{
    const Word* field = field_at(reader, reader->field_count - 1);
    if (reader->field_count == 1) {
        if (!word_is(field, "Skill"))
            refuse(reader, "the header must begin with Skill");
        return;
    }
    int found = -1;
    for (int class_index = 0; class_index < CLASS_COUNT; ++class_index) {
        if (word_is(field, class_names[class_index]))
            found = class_index;
    }
    if (found < 0) {
        refuse(reader, "unknown class: ", field);
    } else if (reader->table->classes[found]) {
        refuse(reader, "class named twice: ", field);
    } else {
        reader->table->classes[found] = true;
        reader->order[reader->field_count - 2] = found;
    }
}

void begin_field(TextReader* reader)
{
    Word* field = field_at(reader, reader->field_count);
    // The field that this one takes the place of is part of a row's skill name.
    if (reader->class_count > 0 && reader->field_count >= RING_SIZE)
        join_word(&reader->name, field);
    field->length = 0;
    ++reader->field_count;
    reader->in_field = true;
}

void end_field(TextReader* reader)
{
    reader->in_field = false;
    if (reader->class_count == 0 && !reader->refused)
        check_header_field(reader);
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

// The checks of a row, in their order, once its line has ended.
TextRead read_row(TextReader* reader)
{
    int class_count = reader->class_count;
    long count = reader->field_count;
    if (count < class_count + 1)
        return refuse(reader, "too few fields");
    for (long field = count - class_count; field < count; ++field) {
        if (!is_four_levels(field_at(reader, field)))
            return refuse(reader, "not four levels: ", field_at(reader, field));
    }
    for (long field = std::max(0L, count - RING_SIZE); field < count - class_count; ++field)
        join_word(&reader->name, field_at(reader, field));
    int slot = -1;
    for (int candidate = 0; candidate < SKILL_COUNT; ++candidate) {
        if (word_is(&reader->name, text_skill_name(candidate)))
            slot = candidate;
    }
    if (slot < 0)
        return refuse(reader, "unknown skill: ", &reader->name);
    NamedTable* table = reader->table;
    if (table->skills[slot])
        return refuse(reader, "skill named twice: ", &reader->name);
    table->skills[slot] = true;
    for (int column = 0; column < class_count; ++column) {
        const Word* entry = field_at(reader, count - class_count + column);
        for (int stage = 0; stage < STAGE_COUNT; ++stage)
            table->levels[table_index(reader->order[column], stage, slot)] =
                static_cast<unsigned char>(level_of_letter(static_cast<unsigned char>(entry->kept[stage])));
    }
    return TextRead::DONE;
}

TextRead end_line(TextReader* reader)
{
    if (reader->in_field)
        end_field(reader);
    if (reader->refused)
        return TextRead::REFUSED;
    if (reader->field_count == 0)
        return TextRead::DONE;  // blank, or a comment
    if (reader->class_count > 0)
        return read_row(reader);
    if (reader->field_count < 2)
        return refuse(reader, "the header names no class");
    reader->class_count = static_cast<int>(reader->field_count - 1);
    return TextRead::DONE;
}

int next_byte(TextReader* reader)
{
    if (reader->held_count > 0) {
        int c = reader->held[0];
        std::memmove(reader->held, reader->held + 1, sizeof reader->held - sizeof reader->held[0]);
        --reader->held_count;
        return c;
    }
    return read_byte(reader->file);
}

// A UTF-8 byte-order mark at the start is skipped; bytes that only begin
// like one are taken again as the first bytes of the text.
void skip_byte_order_mark(TextReader* reader)
{
    const unsigned char MARK[] = {0xEF, 0xBB, 0xBF};
    for (unsigned char expected : MARK) {
        int c = read_byte(reader->file);
        if (c != EOF)
            reader->held[reader->held_count++] = c;
        if (c != expected)
            return;
    }
    reader->held_count = 0;
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

const char* text_skill_name(int slot)
{
    if (skill_text_names[slot][0] == '\0') {
        if (is_unnamed_slot(slot))
            std::snprintf(skill_text_names[slot], SKILL_NAME_SIZE, "Slot %d", slot);
        else
            std::snprintf(skill_text_names[slot], SKILL_NAME_SIZE, "%s", skill_names[slot]);
        for (int end = static_cast<int>(std::strlen(skill_text_names[slot])); end > 0
                                                                              && skill_text_names[slot][end - 1] == ' ';)
            skill_text_names[slot][--end] = '\0';
    }
    return skill_text_names[slot];
}

void name_every_entry(NamedTable* table, const unsigned char* block)
{
    std::memcpy(table->levels, block, SKILL_BLOCK_SIZE);
    for (bool& named : table->classes)
        named = true;
    for (bool& named : table->skills)
        named = true;
}

bool is_complete(const NamedTable* table)
{
    for (bool named : table->classes) {
        if (!named)
            return false;
    }
    for (bool named : table->skills) {
        if (!named)
            return false;
    }
    return true;
}

TextRead read_text_table(std::FILE* file, NamedTable* table, TextError* text_error)
{
    std::memset(table, 0, sizeof *table);
    TextReader reader = {};
    reader.file = file;
    reader.table = table;
    reader.text_error = text_error;
    skip_byte_order_mark(&reader);
    for (reader.line_number = 1;; ++reader.line_number) {
        reader.field_count = 0;
        reader.name.length = 0;
        reader.in_field = reader.in_comment = false;
        bool held_return = false;  // a CR counts as a byte only when more than a line end follows
        bool any = false;
        int c;
        while ((c = next_byte(&reader)) != EOF && c != '\n') {
            any = true;
            if (c == '\0')
                return refuse(&reader, "a NUL byte");
            if (held_return)
                take_byte(&reader, '\r');
            held_return = c == '\r';
            if (!held_return)
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
    if (reader.class_count == 0) {
        reader.line_number = 0;
        return refuse(&reader, "no header line");
    }
    return TextRead::DONE;
}

int format_text_table(const NamedTable* table, char* text)
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
        length = put_padded(text, length, text_skill_name(slot), NAME_COLUMNS);
        for (int class_index = 0; class_index < CLASS_COUNT; ++class_index) {
            if (!table->classes[class_index])
                continue;
            char entry[ENTRY_SIZE];
            format_entry(table->levels, class_index, slot, entry);
            length = put_padded(text, length, entry, ENTRY_COLUMNS);
        }
        length = end_line(text, length);
    }
    return length;
}
