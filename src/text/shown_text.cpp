#include "text/shown_text.h"

#include <cstring>

#include "text/utf8.h"

namespace {

enum class CharacterKind { PLAIN, CONTROL, NOT_UTF8 };

struct Character {
    CharacterKind kind;
    int size;  // its bytes: 1 for a byte that is no UTF-8
};

// What the character at text is, for both the messages and the pages.
Character read_character(const unsigned char* text, std::int64_t length)
{
    int control = control_character_length(text, length);
    if (control > 0)
        return {CharacterKind::CONTROL, control};
    int size = utf8_sequence_length(text, length);
    if (size == 0)
        return {CharacterKind::NOT_UTF8, 1};
    return {CharacterKind::PLAIN, size};
}

}  // namespace

std::string shown_text(const char* text, CodePage code_page)
{
    std::string result;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    std::int64_t length = static_cast<std::int64_t>(std::strlen(text));
    for (std::int64_t i = 0; i < length;) {
        Character character = read_character(bytes + i, length - i);
        bool question_mark = false;
        switch (character.kind) {
        case CharacterKind::CONTROL: question_mark = true; break;
        case CharacterKind::NOT_UTF8:
            switch (code_page) {
            case CodePage::UTF8: question_mark = bytes[i] >= 0x80 && bytes[i] <= 0x9F; break;
            case CodePage::OTHER: break;
            }
            break;
        case CharacterKind::PLAIN: break;
        }
        if (question_mark)
            result += '?';
        else
            result.append(text + i, static_cast<size_t>(character.size));
        i += character.size;
    }
    return result;
}

void add_escaped(std::string* page, const char* text)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    std::int64_t length = static_cast<std::int64_t>(std::strlen(text));
    for (std::int64_t i = 0; i < length;) {
        Character character = read_character(bytes + i, length - i);
        switch (character.kind) {
        case CharacterKind::CONTROL: *page += '?'; break;
        case CharacterKind::NOT_UTF8: *page += "\xEF\xBF\xBD"; break;
        case CharacterKind::PLAIN:
            switch (character.size == 1 ? bytes[i] : 0) {
            case '&': *page += "&amp;"; break;
            case '<': *page += "&lt;"; break;
            case '>': *page += "&gt;"; break;
            case '"': *page += "&quot;"; break;
            case '\'': *page += "&#39;"; break;
            default: page->append(text + i, static_cast<size_t>(character.size));
            }
            break;
        }
        i += character.size;
    }
}
