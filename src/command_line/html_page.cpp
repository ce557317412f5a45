#include "command_line/html_page.h"

#include <cstdint>
#include <cstring>

#include "core/table_operations.h"
#include "text/utf8.h"

namespace {

constexpr const char* LEVEL_WORDS[LEVEL_COUNT] = {"none", "Basic", "Expert", "Master", "Grandmaster"};

// Every letter reaches a contrast of at least 4.5:1 against its background,
// white or the yellow of a changed entry. On paper the cells are narrower
// and a changed entry's new levels go under its old ones, so that every
// column fits on A4 and on Letter.
constexpr const char* STYLE =
    "body { font-family: sans-serif; margin: 1.5em; color: #222; background: #fff; }\n"
    "h1 { font-size: 1.3em; }\n"
    "table { border-collapse: collapse; }\n"
    "th, td { border: 1px solid #bbb; padding: 0.2em 0.6em; }\n"
    "thead th { background: #eee; }\n"
    "tbody th { text-align: left; font-weight: normal; }\n"
    "td { font-family: monospace; font-size: 1.1em; text-align: center; white-space: nowrap; }\n"
    "td.changed, .marked { background: #ffe680; }\n"
    ".level0 { color: #5f5f5f; }\n"
    ".level1 { color: #256628; }\n"
    ".level2 { color: #0d47a1; }\n"
    ".level3 { color: #7b1fa2; }\n"
    ".level4 { color: #b71c1c; font-weight: bold; }\n"
    ".unset { color: #795548; font-weight: bold; }\n"
    ".legend span, .differences span { font-family: monospace; font-size: 1.1em; }\n"
    "* { -webkit-print-color-adjust: exact; print-color-adjust: exact; }\n"
    "@media print {\n"
    "  body { margin: 0; font-size: 9pt; }\n"
    "  th, td { padding: 0.1em 0.3em; }\n"
    "  td { font-size: 1em; }\n"
    "  td.changed .new { display: block; }\n"
    "}\n";

// Text as HTML: the five characters that mean something there escaped,
// each byte that is no UTF-8 shown as U+FFFD, and each control character as
// "?", as in messages.
void print_escaped(std::FILE* page, const char* text)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    std::int64_t length = static_cast<std::int64_t>(std::strlen(text));
    for (std::int64_t i = 0; i < length;) {
        int control = control_character_length(bytes + i, length - i);
        if (control > 0) {
            std::fputc('?', page);
            i += control;
            continue;
        }
        int size = utf8_sequence_length(bytes + i, length - i);
        switch (size == 1 ? bytes[i] : 0) {
        case '&': std::fputs("&amp;", page); break;
        case '<': std::fputs("&lt;", page); break;
        case '>': std::fputs("&gt;", page); break;
        case '"': std::fputs("&quot;", page); break;
        case '\'': std::fputs("&#39;", page); break;
        default:
            if (size == 0)
                std::fputs("\xEF\xBF\xBD", page);
            else
                std::fwrite(bytes + i, 1, static_cast<size_t>(size), page);
        }
        i += size == 0 ? 1 : size;
    }
}

// One entry's levels, each coloured by its level, and "." for a level the
// table does not set, in a mark of its own.
void print_levels(std::FILE* page, const Table* table, int class_index, int slot)
{
    for (int stage = 0; stage < STAGE_COUNT; ++stage) {
        int index = table_index(class_index, stage, slot);
        if (!table->set[index]) {
            std::fprintf(page, "<span class=\"unset\">%c</span>", UNSET_LETTER);
            continue;
        }
        int level = table->levels[index];
        std::fprintf(page, "<span class=\"level%d\">%c</span>", level, LEVEL_LETTERS[level]);
    }
}

// Whether an entry that both tables name leaves a level unset in either.
bool shows_unset_level(const Table* table, const Table* old)
{
    for (int entry = next_shared_entry(table, old, FIRST_POSITION); entry != END_POSITION;
         entry = next_shared_entry(table, old, entry)) {
        for (int stage = 0; stage < STAGE_COUNT; ++stage) {
            int index = table_index(entry_class(entry), stage, entry_slot(entry));
            if (!table->set[index] || !old->set[index])
                return true;
        }
    }
    return false;
}

// A file's name in the page's text, isolated, so that a name written right
// to left cannot reorder what stands around it.
void print_name(std::FILE* page, const char* name)
{
    std::fputs("<bdi>", page);
    print_escaped(page, name);
    std::fputs("</bdi>", page);
}

// "skilltab: NAME", or "skilltab: A → B, N changed entries"; `isolated` in
// the page's text, where markup may stand, not in its title.
void print_title(std::FILE* page, const char* first_name, const char* second_name, int changed, bool isolated)
{
    std::fputs("skilltab: ", page);
    isolated ? print_name(page, first_name) : print_escaped(page, first_name);
    if (second_name != nullptr) {
        std::fputs(" \xE2\x86\x92 ", page);
        isolated ? print_name(page, second_name) : print_escaped(page, second_name);
        std::fprintf(page, ", %d changed entr%s", changed, changed == 1 ? "y" : "ies");
    }
}

void print_start(std::FILE* page, const char* first_name, const char* second_name, int changed)
{
    std::fputs("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>", page);
    print_title(page, first_name, second_name, changed, false);
    std::fprintf(page, "</title>\n<style>\n%s</style>\n</head>\n<body>\n<h1>", STYLE);
    print_title(page, first_name, second_name, changed, true);
    std::fputs("</h1>\n", page);
}

void print_cell(std::FILE* page, const Table* table, const Table* old, int class_index, int slot)
{
    bool changed = entry_differs(table, old, class_index, slot);
    std::fputs(changed ? "<td class=\"changed\">" : "<td>", page);
    if (changed) {
        print_levels(page, old, class_index, slot);
        std::fputs(" \xE2\x86\x92 <span class=\"new\">", page);
    }
    print_levels(page, table, class_index, slot);
    std::fputs(changed ? "</span></td>" : "</td>", page);
}

// The header and the rows: the entries both tables name, those that differ
// in old marked.
void print_table(std::FILE* page, const Table* table, const Table* old)
{
    std::fputs("<table>\n<thead><tr><th>Skill</th>", page);
    for (int class_index = 0; class_index < CLASS_COUNT; ++class_index) {
        if (table->classes[class_index] && old->classes[class_index])
            std::fprintf(page, "<th>%s</th>", class_names[class_index]);
    }
    std::fputs("</tr></thead>\n<tbody>\n", page);
    for (int slot = 0; slot < SKILL_COUNT; ++slot) {
        if (!table->skills[slot] || !old->skills[slot])
            continue;
        std::fprintf(page, "<tr><th scope=\"row\">%s</th>", skill_text_names[slot]);
        for (int entry = next_shared_entry(table, old, slot * CLASS_COUNT - 1);
             entry != END_POSITION && entry_slot(entry) == slot; entry = next_shared_entry(table, old, entry))
            print_cell(page, table, old, entry_class(entry), slot);
        std::fputs("</tr>\n", page);
    }
    std::fputs("</tbody>\n</table>\n", page);
}

// What the letters mean, and on a page of differences, what a mark means.
void print_legend(std::FILE* page, const char* first_name, const char* second_name, bool unset)
{
    std::fputs("<p class=\"legend\">Each entry is four levels: unpromoted, first promotion, light path, dark path."
               "</p>\n<p class=\"legend\">Levels:",
               page);
    for (int level = 0; level < LEVEL_COUNT; ++level)
        std::fprintf(page, "%s <span class=\"level%d\">%c</span> %s", level == 0 ? "" : ",", level,
                     LEVEL_LETTERS[level], LEVEL_WORDS[level]);
    if (unset)
        std::fprintf(page, ", <span class=\"unset\">%c</span> not set: a patch leaves it as it is", UNSET_LETTER);
    std::fputs("</p>\n", page);
    if (second_name != nullptr) {
        std::fputs("<p class=\"legend\">A marked entry, <span class=\"marked\">OLD \xE2\x86\x92 NEW</span>, "
                   "differs: OLD is its levels in ",
                   page);
        print_name(page, first_name);
        std::fputs(", NEW in ", page);
        print_name(page, second_name);
        std::fputs(".</p>\n", page);
    }
    std::fputs("</body>\n</html>\n", page);
}

// Under the heading of a page of differences: what differs, in diff's
// order; or that nothing does, or that there is nothing to compare.
void print_differences(std::FILE* page, const Table* first, const Table* second)
{
    if (next_shared_entry(first, second, FIRST_POSITION) == END_POSITION) {
        std::fputs("<p class=\"summary\">The two files name no entry in common: there is nothing to compare.</p>\n",
                   page);
        return;
    }
    int entry = next_differing_entry(first, second, FIRST_POSITION);
    if (entry == END_POSITION) {
        std::fputs("<p class=\"summary\">Nothing differs: every entry that both files name holds the same levels."
                   "</p>\n",
                   page);
        return;
    }
    std::fputs("<ul class=\"differences\">\n", page);
    for (; entry != END_POSITION; entry = next_differing_entry(first, second, entry)) {
        int class_index = entry_class(entry), slot = entry_slot(entry);
        std::fprintf(page, "<li>%s, %s: ", skill_text_names[slot], class_names[class_index]);
        print_levels(page, first, class_index, slot);
        std::fputs(" \xE2\x86\x92 ", page);
        print_levels(page, second, class_index, slot);
        std::fputs("</li>\n", page);
    }
    std::fputs("</ul>\n", page);
}

}  // namespace

void print_table_page(std::FILE* page, const char* name, const Table* table)
{
    print_start(page, name, nullptr, 0);
    print_table(page, table, table);
    print_legend(page, name, nullptr, shows_unset_level(table, table));
}

int print_difference_page(std::FILE* page, const char* first_name, const Table* first,
                          const char* second_name, const Table* second)
{
    int changed = count_differing_entries(first, second);
    print_start(page, first_name, second_name, changed);
    print_differences(page, first, second);
    print_table(page, second, first);
    print_legend(page, first_name, second_name, shows_unset_level(second, first));
    return changed;
}
