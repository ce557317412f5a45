// Makes a directory to try the program in: a stand-in mm7.exe and nothing else.
#include <cstdio>
#include <filesystem>

#include "stand_in_game.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo DIRECTORY\n");
        return 2;
    }
    std::error_code error;
    std::filesystem::create_directories(argv[1], error);
    std::string game = std::string(argv[1]) + "/mm7.exe";
    if (error || !write_bytes(game, make_stand_in_game(make_plausible_table()))) {
        std::fprintf(stderr, "make_demo: cannot write %s\n", game.c_str());
        return 1;
    }
    std::printf("A stand-in mm7.exe is ready in %s (made up; no real game data).\n", argv[1]);
    return 0;
}
