// Where the skill block lies in the game executable.
#pragma once

#include <cstdint>

constexpr const char* GAME_EXE_NAME = "mm7.exe";
constexpr const char* NEW_GAME_EXE_NAME = "mm7_new.exe";  // the patched copy while I runs

constexpr std::int32_t SKILL_BLOCK_OFFSET = 977040;  // 0xEE890
constexpr std::int32_t SKILL_BLOCK_END = 978372;     // first byte behind the block
constexpr std::int32_t GAME_EXE_SIZE = 1069056;      // 0x105000, the only length I accepts

// Stream buffer for the game and its copy: the commands walk through them a
// byte at a time, and a larger buffer saves most of the system calls.
constexpr int GAME_EXE_BUFFER_SIZE = 65536;

// Position in the game executable while E or I walks through it.
extern std::int32_t byte_counter;

// E and I open a game executable the same way, into input_file with a large
// buffer: 0, or 1 with the error number set. Prints nothing.
int open_game_exe(const char* name);
