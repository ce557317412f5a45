#include "console/input.h"

#include <cstdio>

#include "platform/console.h"
#include "platform/files.h"
#include "text/utf8.h"

unsigned char command_character;
unsigned char second_character;
unsigned char progression[4];
char file_name[FILE_NAME_BYTES_MAX + 1];
bool input_ended;
bool character_unusable;

unsigned char read_character()
{
    int c = input_ended ? EOF : read_input_byte(&character_unusable);
    if (c == EOF) {
        input_ended = true;
        return END_OF_INPUT;
    }
    return static_cast<unsigned char>(c);
}

// Reads at least one character, so after an empty answer the whole next line goes.
void discard_rest_of_line()
{
    while (read_character() != '\n' && !input_ended) {
    }
}

void read_command_character()
{
    command_character = read_character();
    discard_rest_of_line();
}

namespace {

// How many characters the system sees in the bytes of a name.
int count_name_characters(const char* name, int length)
{
#ifdef _WIN32
    int characters = count_code_page_characters(name, length);
    if (characters >= 0)
        return characters;
#endif
    return count_utf8_characters(name, length);
}

}  // namespace

// Keeps every character before the line end, spaces and bytes 255 included;
// only the real end of the input ends a name early. An answer that could not
// be opened under exactly the name typed (over FILE_NAME_MAX characters, or holding
// a NUL, where the name would end) is dropped whole, so that no file is ever
// opened under another name and no part of the answer is taken as a command.
NameAnswer read_file_name()
{
    bool holds_nul = false;
    bool holds_unusable = false;
    for (int i = 0;; ++i) {
        unsigned char c = read_character();
        if (c == '\n' || input_ended) {
            file_name[i] = '\0';
            if (count_name_characters(file_name, i) > FILE_NAME_MAX)
                return NameAnswer::TOO_LONG;
            if (holds_nul)
                return NameAnswer::HOLDS_NUL;
#ifdef _WIN32
            if (holds_unusable || !is_usable_name(file_name))
                return NameAnswer::UNUSABLE;
            strip_pasted_quotes(file_name);
#endif
            return NameAnswer::READ;
        }
        if (i == FILE_NAME_BYTES_MAX) {  // past any name of FILE_NAME_MAX characters
            file_name[i] = '\0';
            discard_rest_of_line();
            return NameAnswer::TOO_LONG;
        }
        holds_nul = holds_nul || c == '\0';
        holds_unusable = holds_unusable || character_unusable;
        file_name[i] = static_cast<char>(c);
    }
}
