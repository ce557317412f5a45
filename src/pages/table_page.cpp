#include "pages/table_page.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "core/table_operations.h"
#include "text/shown_text.h"

// Every letter reaches a contrast of at least 4.5:1 against its background,
// white or the yellow of a changed entry. On paper the cells are narrower
// and a changed entry's new levels go under its old ones, so that every
// column fits on A4 and on Letter.
const char* const PAGE_STYLE =
#include "pages/page_style.inc"
    ;

namespace {

// printf into the page, for the short pieces with a number or a name of the program's own.
[[gnu::format(printf, 2, 3)]] void add_formatted(std::string* page, const char* format, ...)
{
    char piece[256];
    std::va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(piece, sizeof piece, format, arguments);
    va_end(arguments);
    if (length > 0)
        page->append(piece, std::min(static_cast<size_t>(length), sizeof piece - 1));
}

constexpr const char* LEVEL_WORDS[LEVEL_COUNT] = {"none", "Basic", "Expert", "Master", "Grandmaster"};

// One entry's levels, each coloured by its level, and "." for a level the
// table does not set, in a mark of its own.
void add_levels(std::string* page, const Table* table, int class_index, int slot)
{
    for (int stage = 0; stage < STAGE_COUNT; ++stage) {
        int index = table_index(class_index, stage, slot);
        if (!table->set[index]) {
            add_formatted(page, "<span class=\"unset\">%c</span>", UNSET_LETTER);
            continue;
        }
        int level = table->levels[index];
        add_formatted(page, "<span class=\"level%d\">%c</span>", level, LEVEL_LETTERS[level]);
    }
}

// Whether an entry that both tables name leaves a level unset in either.
bool shows_unset_level(const Table* table, const Table* old)
{
    for (Entry entry : shared_entries(*table, *old)) {
        for (int stage = 0; stage < STAGE_COUNT; ++stage) {
            int index = table_index(entry.class_index, stage, entry.slot);
            if (!table->set[index] || !old->set[index])
                return true;
        }
    }
    return false;
}

// A file's name in the page's text, isolated, so that a name written right
// to left cannot reorder what stands around it.
void add_name(std::string* page, const char* name)
{
    *page += "<bdi>";
    add_escaped(page, name);
    *page += "</bdi>";
}

// A file's name where no markup may stand (the title), isolated all the
// same: between U+2068 FIRST STRONG ISOLATE and U+2069 POP DIRECTIONAL
// ISOLATE.
void add_isolated_text(std::string* page, const char* name)
{
    *page += "\xE2\x81\xA8";
    add_escaped(page, name);
    *page += "\xE2\x81\xA9";
}

// "skilltab: NAME", or "skilltab: A → B, N changed entries", each name
// isolated: with `markup` in the page's text, where markup may stand; else
// in its title.
void add_title(std::string* page, const char* first_name, const char* second_name, int changed, bool markup)
{
    *page += "skilltab: ";
    markup ? add_name(page, first_name) : add_isolated_text(page, first_name);
    if (second_name != nullptr) {
        *page += " \xE2\x86\x92 ";
        markup ? add_name(page, second_name) : add_isolated_text(page, second_name);
        add_formatted(page, ", %d changed entr%s", changed, changed == 1 ? "y" : "ies");
    }
}

void add_start(std::string* page, const char* first_name, const char* second_name, int changed)
{
    *page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
    add_title(page, first_name, second_name, changed, false);
    *page += "</title>\n<style>\n";
    *page += PAGE_STYLE;
    *page += "</style>\n</head>\n<body>\n<h1>";
    add_title(page, first_name, second_name, changed, true);
    *page += "</h1>\n";
}

void add_cell(std::string* page, const Table* table, const Table* old, Entry entry)
{
    int class_index = entry.class_index, slot = entry.slot;
    bool changed = entry_differs(table, old, entry);
    *page += changed ? "<td class=\"changed\">" : "<td>";
    if (changed) {
        add_levels(page, old, class_index, slot);
        *page += " \xE2\x86\x92 <span class=\"new\">";
    }
    add_levels(page, table, class_index, slot);
    *page += changed ? "</span></td>" : "</td>";
}

// The header and the rows: the entries both tables name, those that differ
// in old marked.
void add_table(std::string* page, const Table* table, const Table* old)
{
    *page += "<table>\n<thead><tr><th>Skill</th>";
    for (int class_index = 0; class_index < CLASS_COUNT; ++class_index) {
        if (table->classes[class_index] && old->classes[class_index])
            add_formatted(page, "<th>%s</th>", class_names[class_index]);
    }
    *page += "</tr></thead>\n<tbody>\n";
    for (int slot = 0; slot < SKILL_COUNT; ++slot) {
        if (!table->skills[slot] || !old->skills[slot])
            continue;
        add_formatted(page, "<tr><th scope=\"row\">%s</th>", skill_text_names[slot]);
        for (Entry entry : shared_entries_of_skill(*table, *old, slot))
            add_cell(page, table, old, entry);
        *page += "</tr>\n";
    }
    *page += "</tbody>\n</table>\n";
}

// What the letters mean, and on a page of differences, what a mark means.
void add_legend(std::string* page, const char* first_name, const char* second_name, bool unset)
{
    *page += "<p class=\"legend\">Each entry is four levels: unpromoted, first promotion, light path, dark path."
             "</p>\n<p class=\"legend\">Levels:";
    for (int level = 0; level < LEVEL_COUNT; ++level)
        add_formatted(page, "%s <span class=\"level%d\">%c</span> %s", level == 0 ? "" : ",", level,
                     LEVEL_LETTERS[level], LEVEL_WORDS[level]);
    if (unset)
        add_formatted(page, ", <span class=\"unset\">%c</span> not set: a patch leaves it as it is", UNSET_LETTER);
    *page += "</p>\n";
    if (second_name != nullptr) {
        *page += "<p class=\"legend\">A marked entry, <span class=\"marked\">OLD \xE2\x86\x92 NEW</span>, "
                 "differs: OLD is its levels in ";
        add_name(page, first_name);
        *page += ", NEW in ";
        add_name(page, second_name);
        *page += ".</p>\n";
    }
}

// Under the heading of a page of differences: what differs, in diff's
// order; or that nothing does, or that there is nothing to compare.
void add_differences(std::string* page, const Table* first, const Table* second)
{
    if (shared_entries(*first, *second).empty()) {
        *page += "<p class=\"summary\">The two files name no entry in common: there is nothing to compare.</p>\n";
        return;
    }
    if (differing_entries(*first, *second).empty()) {
        *page += "<p class=\"summary\">Nothing differs: every entry that both files name holds the same levels."
                 "</p>\n";
        return;
    }
    *page += "<ul class=\"differences\">\n";
    for (Entry entry : differing_entries(*first, *second)) {
        int class_index = entry.class_index, slot = entry.slot;
        add_formatted(page, "<li>%s, %s: ", skill_text_names[slot], class_names[class_index]);
        add_levels(page, first, class_index, slot);
        *page += " \xE2\x86\x92 ";
        add_levels(page, second, class_index, slot);
        *page += "</li>\n";
    }
    *page += "</ul>\n";
}

}  // namespace

void add_table_page(std::string* page, const char* name, const Table* table)
{
    add_start(page, name, nullptr, 0);
    add_table(page, table, table);
    add_legend(page, name, nullptr, shows_unset_level(table, table));
    *page += "</body>\n</html>\n";
}

int add_difference_page(std::string* page, const char* first_name, const Table* first,
                          const char* second_name, const Table* second)
{
    int changed = count_differing_entries(first, second);
    add_start(page, first_name, second_name, changed);
    add_differences(page, first, second);
    add_table(page, second, first);
    add_legend(page, first_name, second_name, shows_unset_level(second, first));
    *page += "</body>\n</html>\n";
    return changed;
}

namespace {

constexpr const char* STAGE_WORDS[STAGE_COUNT] = {"unpromoted", "first promotion", "light path", "dark path"};

// One level as a control: its accessible name SKILL CLASS STAGE, its letter,
// and its place in the table for the page's script.
void add_level_control(std::string* page, const Table* table, Entry entry, int stage)
{
    int index = table_index(entry.class_index, stage, entry.slot);
    int level = table->levels[index];
    add_formatted(page, "<button type=\"button\" class=\"level level%d\" data-index=\"%d\" aria-label=\"%s %s %s\">%c</button>",
                  level, index, skill_text_names[entry.slot], class_names[entry.class_index], STAGE_WORDS[stage],
                  LEVEL_LETTERS[level]);
}

}  // namespace

void add_control_grid(std::string* page, const Table* table)
{
    // A grid to a screen reader: it hands the arrow keys to the page, which
    // moves between the levels, rather than reading on.
    *page += "<table class=\"grid\" role=\"grid\" aria-label=\"Skill levels\">\n<thead><tr><th>Skill</th>";
    for (int class_index = 0; class_index < CLASS_COUNT; ++class_index)
        add_formatted(page, "<th>%s</th>", class_names[class_index]);
    *page += "</tr></thead>\n<tbody>\n";
    for (int slot = 0; slot < SKILL_COUNT; ++slot) {
        add_formatted(page, "<tr><th scope=\"row\">%s</th>", skill_text_names[slot]);
        for (Entry entry : shared_entries_of_skill(*table, *table, slot)) {
            *page += "<td>";
            for (int stage = 0; stage < STAGE_COUNT; ++stage)
                add_level_control(page, table, entry, stage);
            *page += "</td>";
        }
        *page += "</tr>\n";
    }
    *page += "</tbody>\n</table>\n";
    add_legend(page, "", nullptr, false);
}
