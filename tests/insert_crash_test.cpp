// Killing the program at any moment of I must leave the old or the new game, whole.
#include <chrono>
#include <csignal>
#include <random>
#include <thread>

#include "stand_in_game.h"
#include "support/program_run.h"
#include "support/texts.h"

namespace {

class InsertCrashTest : public ProgramTest {};

TEST_F(InsertCrashTest, GameIsAlwaysWholeOldOrWholeNew)
{
    std::vector<unsigned char> table = make_plausible_table();
    const std::vector<unsigned char> old_game = make_stand_in_game(table);
    for (auto& level : table)
        level = static_cast<unsigned char>(4 - level);
    const std::vector<unsigned char> new_game = make_stand_in_game(table);
    const std::string old_bytes(old_game.begin(), old_game.end());
    const std::string new_bytes(new_game.begin(), new_game.end());
    ASSERT_TRUE(write_bytes(path("in.blk"), table));
    const std::string input = "L\nin.blk\nI\nQ\n";

    // Kill points are spread over a whole run and as long again, since runs vary.
    ASSERT_TRUE(write_bytes(path("mm7.exe"), old_game));
    auto began = std::chrono::steady_clock::now();
    ASSERT_EQ(run(input).status, 0);
    auto whole_run = std::chrono::steady_clock::now() - began;
    ASSERT_EQ(get("mm7.exe"), new_bytes);

    std::mt19937 random(7);
    std::uniform_int_distribution<long> delay(
        0, 2 * std::chrono::duration_cast<std::chrono::microseconds>(whole_run).count());
    int old_seen = 0, new_seen = 0;
    for (int attempt = 0; attempt < 60; ++attempt) {
        ASSERT_TRUE(write_bytes(path("mm7.exe"), old_game));
        std::remove(path("mm7_new.exe").c_str());
        int process = start(input);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        kill(process, SIGKILL);
        finish(process);
        std::string game = get("mm7.exe");
        ASSERT_TRUE(game == old_bytes || game == new_bytes)
            << "attempt " << attempt << ": mm7.exe is " << game.size() << " bytes of neither";
        (game == old_bytes ? old_seen : new_seen) += 1;
    }
    std::printf("killed with the old game in place %d times, with the new %d times\n", old_seen,
                new_seen);
}

}  // namespace
