// Killing the program at any moment of I or S, or running two I at once, must
// leave every kept file whole: its old content or one intended new content.
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <functional>
#include <random>
#include <thread>

#include "stand_in_game.h"
#include "support/program_run.h"
#include "support/texts.h"

namespace {

std::vector<unsigned char> inverted(std::vector<unsigned char> table)
{
    for (auto& level : table)
        level = static_cast<unsigned char>(4 - level);
    return table;
}

const std::vector<unsigned char> TABLE = make_plausible_table();
const std::string OLD_GAME = as_string(make_stand_in_game(TABLE));
const std::string NEW_GAME = as_string(make_stand_in_game(inverted(TABLE)));
const std::string INSERTED = "Skills inserted into mm7.exe.";

class CrashTest : public ProgramTest {
protected:
    // Starts the dialogue `attempts` times and kills it at a random moment,
    // spread over a whole run and as long again, since runs vary; after each
    // kill `file` must be `old_bytes` or `new_bytes`. `reset` puts the old file back.
    void kill_at_random_moments(const std::string& input, const std::string& file,
                                const std::string& old_bytes, const std::string& new_bytes,
                                const std::function<void()>& reset, int attempts)
    {
        reset();
        auto began = std::chrono::steady_clock::now();
        ASSERT_EQ(run(input).status, 0);
        auto whole_run = std::chrono::steady_clock::now() - began;
        ASSERT_EQ(get(file), new_bytes);

        std::mt19937 random(7);
        std::uniform_int_distribution<long> delay(
            0, 2 * std::chrono::duration_cast<std::chrono::microseconds>(whole_run).count());
        int old_seen = 0, new_seen = 0;
        for (int attempt = 0; attempt < attempts; ++attempt) {
            reset();
            int process = start(input);
            std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
            kill(process, SIGKILL);
            finish(process);
            std::string left = get(file);
            ASSERT_TRUE(left == old_bytes || left == new_bytes)
                << "attempt " << attempt << ": " << file << " is " << left.size() << " bytes of neither";
            (left == old_bytes ? old_seen : new_seen) += 1;
        }
        std::printf("killed with the old %s in place %d times, with the new %d times\n", file.c_str(),
                    old_seen, new_seen);
    }
};

TEST_F(CrashTest, KilledInsertLeavesTheGameWhole)
{
    ASSERT_TRUE(write_bytes(path("in.blk"), inverted(TABLE)));
    kill_at_random_moments("L\nin.blk\nI\nQ\n", "mm7.exe", OLD_GAME, NEW_GAME,
                           [this] { put("mm7.exe", OLD_GAME); }, 60);
}

TEST_F(CrashTest, KilledSaveLeavesTheBlockFileWhole)
{
    const std::string old_block = as_string(TABLE), new_block = as_string(inverted(TABLE));
    put("in.blk", new_block);
    kill_at_random_moments("L\nin.blk\nS\nkept.blk\nQ\n", "kept.blk", old_block, new_block,
                           [&] { put("kept.blk", old_block); }, 60);
}

TEST_F(CrashTest, TwoInsertsAtOnceLeaveOneWholeGame)
{
    // The first run writes one table, the second another; the second is
    // killed a few milliseconds in on every other try.
    std::vector<unsigned char> second_table = TABLE;
    for (int i = 0; i < BLOCK_SIZE; i += 3)
        second_table[i] = 4;
    const std::string second_game = as_string(make_stand_in_game(second_table));
    ASSERT_TRUE(write_bytes(path("first.blk"), inverted(TABLE)));
    ASSERT_TRUE(write_bytes(path("second.blk"), second_table));
    // Wine starts slowly: fewer pairs there.
    const int pairs = testing_windows() ? 12 : 200;
    std::mt19937 random(1332);
    std::uniform_int_distribution<int> delay(0, 20000);
    int killed_pairs = 0;
    for (int pair = 0; pair < pairs; ++pair) {
        put("mm7.exe", OLD_GAME);
        int first = start("L\nfirst.blk\nI\nQ\n");
        int second = start("L\nsecond.blk\nI\nQ\n");
        bool killed = pair % 2 == 1;
        if (killed) {
            std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
            kill(second, SIGKILL);
        }
        ProgramRun first_run = finish(first);
        ProgramRun second_run = finish(second);
        killed = killed && second_run.status == 128 + SIGKILL;
        killed_pairs += killed;
        bool first_inserted = first_run.out.find(INSERTED) != std::string::npos;
        bool second_inserted = second_run.out.find(INSERTED) != std::string::npos;
        std::string game = get("mm7.exe");
        ASSERT_TRUE(game == OLD_GAME || game == NEW_GAME || game == second_game)
            << "pair " << pair << ": mm7.exe is " << game.size() << " bytes of none of the three";
        // A run that says it inserted has done so: the old game cannot be back.
        if (first_inserted || second_inserted) {
            ASSERT_NE(game, OLD_GAME) << "pair " << pair;
        }
        if (game == NEW_GAME) {
            ASSERT_TRUE(first_inserted) << "pair " << pair;
        }
        if (game == second_game) {
            ASSERT_TRUE(second_inserted || killed) << "pair " << pair;
        }
        // A run that is not killed waits for the other and then does its work.
        ASSERT_TRUE(first_inserted) << "pair " << pair << ": " << first_run.err;
        ASSERT_TRUE(second_inserted || killed) << "pair " << pair << ": " << second_run.err;
        if (!first_inserted) {
            ASSERT_NE(first_run.err.find("Error: "), std::string::npos) << "pair " << pair;
        }
        if (!killed) {
            ASSERT_FALSE(exists("mm7_new.exe")) << "pair " << pair;
        }
    }
    std::printf("%d pairs, the second run killed in %d\n", pairs, killed_pairs);
}

TEST_F(CrashTest, SavesBesideAnInsertTakeTurnsAndNeverTakeItsCopy)
{
    // A save to the copy's name would be moved over the game; a save to any
    // other name waits for the insert's turn to end, as the insert waits for its.
    ASSERT_TRUE(write_bytes(path("in.blk"), inverted(TABLE)));
    const int pairs = testing_windows() ? 6 : 40;
    for (int pair = 0; pair < pairs; ++pair) {
        bool to_copy = pair % 2 == 0;
        const std::string name = to_copy ? "mm7_new.exe" : "other.blk";
        put("mm7.exe", OLD_GAME);
        std::remove(path("other.blk").c_str());
        int insert = start("L\nin.blk\nI\nQ\n");
        int save = start("L\nin.blk\nS\n" + name + "\nQ\n");
        ProgramRun insert_run = finish(insert);
        ProgramRun save_run = finish(save);
        ASSERT_NE(insert_run.out.find(INSERTED), std::string::npos) << pair << ": " << insert_run.err;
        ASSERT_TRUE(get("mm7.exe") == NEW_GAME) << pair << ": mm7.exe is not the new game";
        ASSERT_FALSE(exists("mm7_new.exe")) << pair;
        if (to_copy) {
            // Refused as the copy's name, or, where the insert's move of its copy over the game
            // comes between S's two looks, as another name of the game itself: refused either way.
            bool refused_as_game = save_run.err.empty() && save_run.out.find("No!  Bad user!") != std::string::npos;
            if (!refused_as_game) {
                ASSERT_EQ(save_run.err, "Error: mm7_new.exe is kept for the copy of mm7.exe that I makes.\n\n");
            }
        } else {
            ASSERT_EQ(save_run.err, "") << pair;
            ASSERT_EQ(get("other.blk"), as_string(inverted(TABLE))) << pair;
        }
    }
}

TEST_F(CrashTest, AnotherProgramsFileUnderTheCopysNameIsNeverMoved)
{
    if (testing_windows())
        GTEST_SKIP() << "on Windows no other program can touch the copy while I holds it";
    if (system("strace -V >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "strace is not installed";
    // I is held up for a moment once its copy is written; meanwhile a program
    // that takes no lock renames a file of its own over the copy's name.
    put("mm7.exe", OLD_GAME);
    ASSERT_TRUE(write_bytes(path("in.blk"), inverted(TABLE)));
    put("intruder", "another program's file");
    program_wrapper = "env ASAN_OPTIONS=detect_leaks=0 strace -qq -o /dev/null -e inject=fsync:delay_exit=400000:when=1";
    int insert = start("L\nin.blk\nI\nQ\n");
    program_wrapper.clear();
    auto began = std::chrono::steady_clock::now();
    struct stat status = {};
    while ((stat(path("mm7_new.exe").c_str(), &status) != 0 || status.st_size != long(OLD_GAME.size()))
           && std::chrono::steady_clock::now() - began < std::chrono::seconds(20))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(rename(path("intruder").c_str(), path("mm7_new.exe").c_str()), 0);
    ProgramRun result = finish(insert);
    EXPECT_EQ(result.err, "Error: Cannot replace mm7.exe: Device or resource busy\n\n");
    EXPECT_TRUE(get("mm7.exe") == OLD_GAME) << "mm7.exe is not the old game";
    EXPECT_EQ(get("mm7_new.exe"), "another program's file");
}

TEST_F(CrashTest, AReplacementThatWaitsTooLongRefuses)
{
    if (testing_windows())
        GTEST_SKIP() << "Windows holds the copy itself, not its folder";
    // Another run that never lets go of the folder: I and S alike give up.
    int folder = open(work_dir.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(flock(folder, LOCK_EX), 0);
    put("mm7.exe", OLD_GAME);
    put("kept.blk", "old");
    ASSERT_TRUE(write_bytes(path("in.blk"), inverted(TABLE)));
    const std::set<std::string> before = files();
    const std::pair<std::string, std::string> dialogues[] = {
        {"L\nin.blk\nI\nQ\n", "Error: Cannot open mm7_new.exe: Resource temporarily unavailable\n\n"},
        {"L\nin.blk\nS\nkept.blk\nQ\n", "Error: Cannot open kept.blk: Resource temporarily unavailable\n\n"},
    };
    for (const auto& [input, error] : dialogues) {
        auto began = std::chrono::steady_clock::now();
        ProgramRun result = run(input);
        auto waited = std::chrono::steady_clock::now() - began;
        EXPECT_EQ(result.err, error);
        EXPECT_GE(waited, std::chrono::milliseconds(1900));
        EXPECT_LT(waited, std::chrono::seconds(10));
    }
    close(folder);
    EXPECT_TRUE(get("mm7.exe") == OLD_GAME) << "mm7.exe is not the old game";
    EXPECT_EQ(get("kept.blk"), "old");
    EXPECT_EQ(files(), before);
}

TEST_F(CrashTest, AHolderIsWaitedForUpToTwoSeconds)
{
    if (!testing_windows())
        GTEST_SKIP() << "no other program can hold a file on Linux; a held lock is tested above";
    ASSERT_TRUE(write_bytes(path("in.blk"), inverted(TABLE)));
    // As a virus scanner does: others may read the file, but not replace or
    // remove it. A moment is outlasted; a hold longer than the wait is refused.
    // One that lets no other program even read is outlasted too, by E as by I.
    struct HoldCase {
        const char* held;
        const char* milliseconds;
        bool inserted;
        const char* sharing = "read";
    };
    const HoldCase cases[] = {
        {"mm7.exe", "1500", true},
        {"mm7.exe", "1500", true, "none"},
        {"mm7_new.exe", "1500", true},
        {"mm7_new.exe", "5000", false},
    };
    for (const HoldCase& c : cases) {
        put("mm7.exe", OLD_GAME);
        put("mm7_new.exe", "a copy left by a killed run");
        int output[2];
        ASSERT_EQ(pipe(output), 0);
        pid_t holder = fork();
        if (holder == 0) {
            dup2(output[1], 1);
            std::string command = windows_command("tests/windows/hold_file.exe") + " " + c.held + " " + c.milliseconds + " " + c.sharing;
            if (chdir(work_dir.c_str()) == 0)
                execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(output[1]);
        char said[5] = {};
        ASSERT_EQ(read(output[0], said, 4), 4) << c.held;
        ASSERT_EQ(std::string(said), "held");
        ProgramRun result = run("E\nL\nin.blk\nI\nQ\n");
        int status = 0;
        waitpid(holder, &status, 0);
        close(output[0]);
        EXPECT_EQ(status, 0) << c.held;
        EXPECT_NE(result.out.find("Skill block extracted."), std::string::npos) << c.held << ": " << result.err;
        if (c.inserted) {
            EXPECT_NE(result.out.find(INSERTED), std::string::npos) << c.held << ": " << result.err;
            EXPECT_TRUE(get("mm7.exe") == NEW_GAME) << c.held << ": mm7.exe is not the new game";
            EXPECT_FALSE(exists("mm7_new.exe")) << c.held;
        } else {
            EXPECT_EQ(result.err, "Error: Cannot open mm7_new.exe: Permission denied\n\n");
            EXPECT_TRUE(get("mm7.exe") == OLD_GAME) << c.held << ": mm7.exe is not the old game";
        }
    }
}

}  // namespace
