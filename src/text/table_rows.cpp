#include "text/table_rows.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "table/names.h"
#include "text/utf8.h"

namespace {

bool word_is(const Word* word, const char* name)
{
    return word->length <= QUOTED_MAX && same_ignoring_case(word->kept, static_cast<size_t>(word->length), name);
}

// A level of an entry: 0 to 4, or -1 for "." (a level the table leaves as
// it is), or -2 for no level.
int level_in_entry(char c)
{
    if (c == UNSET_LETTER)
        return -1;
    int level = level_of_letter(static_cast<unsigned char>(c));
    return level >= 0 ? level : -2;
}

bool is_four_levels(const Word* field)
{
    if (field->length != STAGE_COUNT)
        return false;
    for (int stage = 0; stage < STAGE_COUNT; ++stage) {
        if (level_in_entry(field->kept[stage]) < -1)
            return false;
    }
    return true;
}

// How much of a word a message quotes: all of it up to QUOTED_MAX bytes;
// else at most that many, cut before a UTF-8 character rather than inside.
std::int64_t quoted_length(const Word* word)
{
    if (word->length <= QUOTED_MAX)
        return word->length;
    const unsigned char* kept = reinterpret_cast<const unsigned char*>(word->kept);
    std::int64_t kept_length = std::min(word->length, static_cast<std::int64_t>(sizeof word->kept));
    for (std::int64_t start = QUOTED_MAX - 1; start > QUOTED_MAX - 4; --start) {
        if (utf8_sequence_length(kept + start, kept_length - start) > QUOTED_MAX - start)
            return start;  // the character the cut falls in
    }
    return QUOTED_MAX;
}

}  // namespace

void add_byte(Word* word, char c)
{
    if (word->length < static_cast<std::int64_t>(sizeof word->kept))
        word->kept[word->length] = c;
    ++word->length;
}

void join_word(Word* name, const Word* field)
{
    if (name->length > 0)
        add_byte(name, ' ');
    std::int64_t kept = std::min(field->length, static_cast<std::int64_t>(sizeof field->kept));
    for (std::int64_t i = 0; i < kept; ++i)
        add_byte(name, field->kept[i]);
    name->length += field->length - kept;
}

void begin_rows(RowChecks* checks, Table* table, TextError* text_error)
{
    std::memset(table, 0, sizeof *table);
    *checks = {};
    checks->table = table;
    checks->text_error = text_error;
}

TextRead refuse(RowChecks* checks, const char* what, const Word* word)
{
    TextError* text_error = checks->text_error;
    text_error->line = checks->line_number;
    text_error->utf16 = false;
    if (word == nullptr) {
        std::snprintf(text_error->message, sizeof text_error->message, "%s", what);
    } else {
        std::int64_t length = quoted_length(word);
        std::snprintf(text_error->message, sizeof text_error->message, "%s%.*s%s", what,
                      static_cast<int>(length), word->kept, length < word->length ? "..." : "");
    }
    return TextRead::REFUSED;
}

TextRead refuse_utf16(RowChecks* checks)
{
    checks->line_number = 1;
    refuse(checks, "the file is UTF-16; save it as UTF-8");
    checks->text_error->utf16 = true;
    return TextRead::REFUSED;
}

TextRead refuse_lone_returns(RowChecks* checks)
{
    checks->line_number = 1;
    return refuse(checks, "lines end in CR alone; save the file with LF or CR LF line ends");
}

TextRead check_header_field(RowChecks* checks, const Word* field, int index)
{
    if (index == 0)
        return word_is(field, "Skill") ? TextRead::DONE : refuse(checks, "the header must begin with Skill");
    int found = -1;
    for (int class_index = 0; class_index < CLASS_COUNT; ++class_index) {
        if (word_is(field, class_names[class_index]))
            found = class_index;
    }
    if (found < 0)
        return refuse(checks, "unknown class: ", field);
    if (checks->table->classes[found])
        return refuse(checks, "class named twice: ", field);
    checks->table->classes[found] = true;
    checks->order[index - 1] = found;
    return TextRead::DONE;
}

TextRead end_header(RowChecks* checks, int field_count)
{
    if (field_count < 2)
        return refuse(checks, "the header names no class");
    checks->class_count = field_count - 1;
    return TextRead::DONE;
}

TextRead check_row(RowChecks* checks, const Word* name, const Word* const* entries)
{
    for (int column = 0; column < checks->class_count; ++column) {
        if (!is_four_levels(entries[column]))
            return refuse(checks, "not four levels: ", entries[column]);
    }
    int slot = -1;
    for (int candidate = 0; candidate < SKILL_COUNT; ++candidate) {
        if (word_is(name, skill_text_names[candidate]))
            slot = candidate;
    }
    if (slot < 0)
        return refuse(checks, "unknown skill: ", name);
    Table* table = checks->table;
    if (table->skills[slot])
        return refuse(checks, "skill named twice: ", name);
    table->skills[slot] = true;
    for (int column = 0; column < checks->class_count; ++column) {
        for (int stage = 0; stage < STAGE_COUNT; ++stage) {
            int index = table_index(checks->order[column], stage, slot);
            int level = level_in_entry(entries[column]->kept[stage]);
            table->set[index] = level >= 0;
            table->levels[index] = static_cast<unsigned char>(level >= 0 ? level : 0);
        }
    }
    return TextRead::DONE;
}

TextRead end_rows(RowChecks* checks)
{
    if (checks->class_count > 0)
        return TextRead::DONE;
    checks->line_number = 0;
    return refuse(checks, "no header line");
}
