// Where the skill block lies in the game executable.
#pragma once

#include <cstdint>
#include <cstdio>

constexpr const char* GAME_EXE_NAME = "mm7.exe";
constexpr const char* NEW_GAME_EXE_NAME = "mm7_new.exe";  // the patched copy while I runs

constexpr std::int32_t SKILL_BLOCK_OFFSET = 977040;  // 0xEE890
constexpr std::int32_t SKILL_BLOCK_END = 978372;     // first byte behind the block
constexpr std::int32_t GAME_EXE_SIZE = 1069056;      // 0x105000, the only length I accepts

// A game executable opened for reading with `buffer` (COPY_BUFFER_SIZE
// bytes) as its stream's, as every command opens one; or nullptr with the
// error number set.
std::FILE* open_game_exe(const char* name, char* buffer);
