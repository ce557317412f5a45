// Reading answers from standard input, one character at a time.
#pragma once

constexpr unsigned char END_OF_INPUT = 255;  // what read_character gives at the end
constexpr int FILE_NAME_MAX = 60;  // characters, whatever their bytes
constexpr int FILE_NAME_BYTES_MAX = 4 * FILE_NAME_MAX;  // a character is at most 4 bytes

// The first character of the latest answer at the main, viewer, class, skill
// and progression prompts; the loops test it at their heads.
extern unsigned char command_character;
extern unsigned char second_character;  // second character of a skill number
extern unsigned char progression[4];
extern char file_name[FILE_NAME_BYTES_MAX + 1];

// Set when standard input has really ended, unlike a byte 255 typed inside it;
// every loop that waits for an answer leaves when it is set.
extern bool input_ended;

// Set when the character read last stands for one that the program's code
// page cannot represent (typed on a Windows console).
extern bool character_unusable;

unsigned char read_character();
void discard_rest_of_line();
void read_command_character();
// What read_file_name says of the answer it read into file_name.
enum class NameAnswer {
    READ,
    TOO_LONG,   // over FILE_NAME_MAX characters; file_name is no name
    HOLDS_NUL,  // a NUL would cut the name short; file_name is no name
    UNUSABLE,   // a character this system cannot use in a name
};
NameAnswer read_file_name();

constexpr bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
