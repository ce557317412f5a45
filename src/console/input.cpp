#include "console/input.h"

#include <cstdio>

unsigned char command_character;
unsigned char second_character;
unsigned char progression[4];
char file_name[FILE_NAME_MAX + 1];
bool input_ended;

unsigned char read_character()
{
    int c = input_ended ? EOF : std::getchar();
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

// Keeps every character before the line end, spaces included. An answer too
// long for file_name is dropped whole, so that no file is ever opened under
// a shortened name and no part of the answer is taken as a command.
int read_file_name()
{
    for (int i = 0;; ++i) {
        unsigned char c = read_character();
        if (c == '\n' || c == END_OF_INPUT) {
            file_name[i] = '\0';
            return 0;
        }
        if (i == FILE_NAME_MAX) {
            file_name[i] = '\0';
            discard_rest_of_line();
            return 1;
        }
        file_name[i] = static_cast<char>(c);
    }
}
