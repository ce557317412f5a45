#include "stand_in_game.h"

#include <algorithm>
#include <cstdio>

std::vector<unsigned char> make_plausible_table()
{
    std::vector<unsigned char> table(STAND_IN_BLOCK_SIZE);
    for (int class_index = 0; class_index < 9; ++class_index)
        for (int slot = 0; slot < 37; ++slot) {
            if (slot == 27 || slot == 28)
                continue;
            unsigned hash = static_cast<unsigned>(class_index * 37 + slot) * 2654435761u;
            int top = static_cast<int>(hash >> 24) % 5;  // the best the class reaches
            int first = std::min(top, 3);
            int stages[4] = {std::min(first, 1 + static_cast<int>(hash >> 20) % 2), first, top,
                             (hash >> 16) % 2 ? top : first};
            for (int stage = 0; stage < 4; ++stage)
                table[slot + 37 * stage + 148 * class_index] = static_cast<unsigned char>(stages[stage]);
        }
    return table;
}

std::vector<unsigned char> make_stand_in_game(const std::vector<unsigned char>& block)
{
    std::vector<unsigned char> game(STAND_IN_GAME_SIZE);
    unsigned state = 12345;
    for (auto& byte : game) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<unsigned char>(state >> 16);
    }
    std::copy(block.begin(), block.end(), game.begin() + STAND_IN_BLOCK_OFFSET);
    return game;
}

bool write_bytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
