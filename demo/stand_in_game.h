// A stand-in for the game executable, made up here: the game's exact length,
// a plausible skill table where the game keeps it, and filler everywhere else.
#pragma once

#include <string>
#include <vector>

constexpr int STAND_IN_GAME_SIZE = 1069056;
constexpr int STAND_IN_BLOCK_OFFSET = 977040;
constexpr int STAND_IN_BLOCK_SIZE = 1332;

// Levels 0 to 4, each class's stages never below the stage before.
std::vector<unsigned char> make_plausible_table();

// The whole file, holding the given block.
std::vector<unsigned char> make_stand_in_game(const std::vector<unsigned char>& block);

// false when the file could not be written whole.
bool write_bytes(const std::string& path, const std::vector<unsigned char>& bytes);
