#include "text/text_table.h"

#include <cstdio>
#include <cstring>

#include "platform/bytes.h"

namespace {

constexpr int LINE_MAX_BYTES = 1024;
constexpr int FIELDS_MAX = LINE_MAX_BYTES / 2 + 1;  // as many as a line can hold
constexpr int NAME_COLUMNS = 14;
constexpr int ENTRY_COLUMNS = 9;

constexpr const char* COMMENT_LINES =
    "# skilltab skill table: one row per skill, one column per class.\n"
    "# Each entry: unpromoted, first promotion, light path, dark path.\n"
    "# Levels: - none, B Basic, E Expert, M Master, G Grandmaster.\n";

char line[LINE_MAX_BYTES + 1];
char* fields[FIELDS_MAX];
char joined_name[LINE_MAX_BYTES + 1];
char skill_text_names[SKILL_COUNT][SKILL_NAME_SIZE];

bool same_ignoring_case(const char* first, const char* second)
{
    for (;; ++first, ++second) {
        unsigned char a = static_cast<unsigned char>(*first), b = static_cast<unsigned char>(*second);
        if ((a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) != (b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b))
            return false;
        if (a == '\0')
            return true;
    }
}

// A level written as one of - 0 B 1 E 2 M 3 G 4, or -1.
int level_of(char c)
{
    const char* const FORMS[LEVEL_COUNT] = {"-0", "Bb1", "Ee2", "Mm3", "Gg4"};
    for (int level = 0; level < LEVEL_COUNT; ++level) {
        if (c != '\0' && std::strchr(FORMS[level], c) != nullptr)
            return level;
    }
    return -1;
}

bool is_four_levels(const char* field)
{
    if (std::strlen(field) != STAGE_COUNT)
        return false;
    for (int stage = 0; stage < STAGE_COUNT; ++stage) {
        if (level_of(field[stage]) < 0)
            return false;
    }
    return true;
}

// The next line into `line`, its end, a carriage return before it and any
// comment taken off: 1, 0 at the end of the file, or -1 for a line too long
// (read to its end all the same).
int read_line(std::FILE* file, bool first)
{
    int length = 0, c;
    bool too_long = false;
    while ((c = read_byte(file)) != EOF && c != '\n') {
        if (length < LINE_MAX_BYTES)
            line[length++] = static_cast<char>(c);
        else
            too_long = true;
    }
    if (c == EOF && length == 0 && !too_long)
        return 0;
    line[length] = '\0';
    if (length > 0 && line[length - 1] == '\r')
        line[--length] = '\0';
    if (first && std::strncmp(line, "\xEF\xBB\xBF", 3) == 0)
        std::memmove(line, line + 3, static_cast<size_t>(length) - 2);
    char* comment = std::strchr(line, '#');
    if (comment != nullptr)
        *comment = '\0';
    return too_long ? -1 : 1;
}

// Splits `line` at runs of spaces and tabs; returns the number of fields.
int split_fields()
{
    int count = 0;
    for (char* c = line; *c != '\0';) {
        while (*c == ' ' || *c == '\t')
            *c++ = '\0';
        if (*c == '\0')
            break;
        fields[count++] = c;
        while (*c != '\0' && *c != ' ' && *c != '\t')
            ++c;
    }
    return count;
}

int refuse(TextError* text_error, int line_number, const char* format, const char* what = "")
{
    text_error->line = line_number;
    std::snprintf(text_error->message, sizeof text_error->message, format, what);
    return TEXT_REFUSED;
}

int read_header(int count, NamedTable* table, int* order, TextError* text_error, int line_number)
{
    if (!same_ignoring_case(fields[0], "Skill"))
        return refuse(text_error, line_number, "the header must begin with Skill");
    if (count < 2)
        return refuse(text_error, line_number, "the header names no class");
    for (int field = 1; field < count; ++field) {
        int found = -1;
        for (int class_index = 0; class_index < CLASS_COUNT; ++class_index) {
            if (same_ignoring_case(fields[field], class_names[class_index]))
                found = class_index;
        }
        if (found < 0)
            return refuse(text_error, line_number, "unknown class: %s", fields[field]);
        if (table->classes[found])
            return refuse(text_error, line_number, "class named twice: %s", fields[field]);
        table->classes[found] = true;
        order[field - 1] = found;
    }
    return TEXT_READ;
}

int read_row(int count, int class_count, NamedTable* table, const int* order, TextError* text_error,
             int line_number)
{
    if (count < class_count + 1)
        return refuse(text_error, line_number, "too few fields");
    int name_fields = count - class_count;
    for (int field = name_fields; field < count; ++field) {
        if (!is_four_levels(fields[field]))
            return refuse(text_error, line_number, "not four levels: %s", fields[field]);
    }
    joined_name[0] = '\0';
    for (int field = 0; field < name_fields; ++field) {
        if (field > 0)
            std::strcat(joined_name, " ");
        std::strcat(joined_name, fields[field]);
    }
    int slot = -1;
    for (int candidate = 0; candidate < SKILL_COUNT; ++candidate) {
        if (same_ignoring_case(joined_name, text_skill_name(candidate)))
            slot = candidate;
    }
    if (slot < 0)
        return refuse(text_error, line_number, "unknown skill: %s", joined_name);
    if (table->skills[slot])
        return refuse(text_error, line_number, "skill named twice: %s", joined_name);
    table->skills[slot] = true;
    for (int column = 0; column < class_count; ++column) {
        for (int stage = 0; stage < STAGE_COUNT; ++stage)
            table->levels[table_index(order[column], stage, slot)] =
                static_cast<unsigned char>(level_of(fields[name_fields + column][stage]));
    }
    return TEXT_READ;
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

int read_text_table(std::FILE* file, NamedTable* table, TextError* text_error)
{
    std::memset(table, 0, sizeof *table);
    int order[CLASS_COUNT];
    int class_count = 0;
    for (int line_number = 1;; ++line_number) {
        int got = read_line(file, line_number == 1);
        if (got == 0)
            break;
        if (got < 0)
            return refuse(text_error, line_number, "line too long");
        int count = split_fields();
        if (count == 0)
            continue;
        int outcome = class_count == 0
                          ? read_header(count, table, order, text_error, line_number)
                          : read_row(count, class_count, table, order, text_error, line_number);
        if (outcome != TEXT_READ)
            return outcome;
        if (class_count == 0)
            class_count = count - 1;
    }
    if (std::ferror(file))
        return TEXT_NOT_READ;
    if (class_count == 0)
        return refuse(text_error, 0, "no header line");
    return TEXT_READ;
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
            char entry[STAGE_COUNT + 1];
            for (int stage = 0; stage < STAGE_COUNT; ++stage)
                entry[stage] = LEVEL_LETTERS[table->levels[table_index(class_index, stage, slot)]];
            entry[STAGE_COUNT] = '\0';
            length = put_padded(text, length, entry, ENTRY_COLUMNS);
        }
        length = end_line(text, length);
    }
    return length;
}
