#include "command_line/html_page.h"

#include <cstring>

#include "core/table_operations.h"
#include "text/utf8.h"

namespace {

constexpr const char* LEVEL_WORDS[LEVEL_COUNT] = {"none", "Basic", "Expert", "Master", "Grandmaster"};

constexpr const char* STYLE =
    "body { font-family: sans-serif; margin: 1.5em; color: #222; background: #fff; }\n"
    "h1 { font-size: 1.3em; }\n"
    "table { border-collapse: collapse; }\n"
    "th, td { border: 1px solid #bbb; padding: 0.2em 0.6em; }\n"
    "thead th { background: #eee; }\n"
    "tbody th { text-align: left; font-weight: normal; }\n"
    "td { font-family: monospace; font-size: 1.1em; text-align: center; white-space: nowrap; }\n"
    "td.changed { background: #ffe680; }\n"
    ".level0 { color: #999; }\n"
    ".level1 { color: #2e7d32; }\n"
    ".level2 { color: #1565c0; }\n"
    ".level3 { color: #7b1fa2; }\n"
    ".level4 { color: #c62828; font-weight: bold; }\n"
    ".legend span { font-family: monospace; font-size: 1.1em; }\n"
    "* { -webkit-print-color-adjust: exact; print-color-adjust: exact; }\n"
    "@media print { body { margin: 0; } }\n";

// Text as HTML: the five characters that mean something there escaped, and
// each byte that is no UTF-8 shown as U+FFFD.
void print_escaped(std::FILE* page, const char* text)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    long length = static_cast<long>(std::strlen(text));
    for (long i = 0; i < length;) {
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

void print_levels(std::FILE* page, const unsigned char* levels, int class_index, int slot)
{
    for (int stage = 0; stage < STAGE_COUNT; ++stage) {
        int level = levels[table_index(class_index, stage, slot)];
        std::fprintf(page, "<span class=\"level%d\">%c</span>", level, LEVEL_LETTERS[level]);
    }
}

// "skilltab: NAME", or "skilltab: A → B, N changed entries".
void print_title(std::FILE* page, const char* first_name, const char* second_name, int changed)
{
    std::fputs("skilltab: ", page);
    print_escaped(page, first_name);
    if (second_name != nullptr) {
        std::fputs(" \xE2\x86\x92 ", page);
        print_escaped(page, second_name);
        std::fprintf(page, ", %d changed entr%s", changed, changed == 1 ? "y" : "ies");
    }
}

void print_start(std::FILE* page, const char* first_name, const char* second_name, int changed)
{
    std::fputs("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>", page);
    print_title(page, first_name, second_name, changed);
    std::fprintf(page, "</title>\n<style>\n%s</style>\n</head>\n<body>\n<h1>", STYLE);
    print_title(page, first_name, second_name, changed);
    std::fputs("</h1>\n", page);
}

void print_cell(std::FILE* page, const Table* table, const Table* old, int class_index, int slot)
{
    bool changed = entry_differs(table, old, class_index, slot);
    std::fputs(changed ? "<td class=\"changed\">" : "<td>", page);
    if (changed) {
        print_levels(page, old->levels, class_index, slot);
        std::fputs(" \xE2\x86\x92 ", page);
    }
    print_levels(page, table->levels, class_index, slot);
    std::fputs("</td>", page);
}

// The header, the rows and the legend: the entries both tables name, those
// that differ in old marked.
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
    std::fputs("</tbody>\n</table>\n<p class=\"legend\">Levels:", page);
    for (int level = 0; level < LEVEL_COUNT; ++level)
        std::fprintf(page, "%s <span class=\"level%d\">%c</span> %s", level == 0 ? "" : ",", level,
                     LEVEL_LETTERS[level], LEVEL_WORDS[level]);
    std::fputs("</p>\n</body>\n</html>\n", page);
}

}  // namespace

void print_table_page(std::FILE* page, const char* name, const Table* table)
{
    print_start(page, name, nullptr, 0);
    print_table(page, table, table);
}

int print_difference_page(std::FILE* page, const char* first_name, const Table* first,
                          const char* second_name, const Table* second)
{
    int changed = count_differing_entries(first, second);
    print_start(page, first_name, second_name, changed);
    print_table(page, second, first);
    return changed;
}
