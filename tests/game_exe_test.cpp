// E and I against stand-in game files of every shape that matters.
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "stand_in_game.h"
#include "support/program_run.h"
#include "support/texts.h"

namespace {

const std::string TABLE = as_string(make_plausible_table());
const std::string GAME = as_string(make_stand_in_game(make_plausible_table()));
const std::string EXTRACTED = MENU + "Skill block extracted.\n\n";
const std::string INSERTED = MENU + "Skills inserted into mm7.exe.\n\n";
const std::string LOADED = MENU + "Skill block loaded.\n\n";
const std::string LOAD = "L\nin.blk\n";
const std::string LOAD_OUT = CHOICE + "Load from file name: " + LOADED;

const char* const IS_FOLDER = platform_text("Is a directory", "Permission denied");

class GameExeTest : public ProgramTest {
protected:
    // mm7.exe after the run must be what it was, with no copy left beside it.
    void expect_game_untouched(const std::string& game, const char* what)
    {
        EXPECT_EQ(get("mm7.exe"), game) << what;
        EXPECT_FALSE(exists("mm7_new.exe")) << what;
    }
};

TEST_F(GameExeTest, ExtractReadsTheBlockAtItsOffset)
{
    // The length and the bytes around the block do not matter to E.
    for (const std::string& game : {GAME, GAME.substr(0, BLOCK_OFFSET + BLOCK_SIZE), GAME + "xyz"}) {
        put("mm7.exe", game);
        ProgramRun result = run("E\nS\nout.blk\nQ\n");
        EXPECT_EQ(result.out, START + CHOICE + EXTRACTED + CHOICE + "Save to file name: " + MENU
                                  + "Skill block saved.\n\n" + CHOICE + END);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(get("out.blk"), TABLE);
        EXPECT_EQ(get("mm7.exe"), game);
    }
}

TEST_F(GameExeTest, ExtractRefusesShortOrMissingGames)
{
    ProgramRun result = run("E\nQ\n");
    EXPECT_EQ(result.out, START + CHOICE + MENU + CHOICE + END);
    EXPECT_EQ(result.err, NO_GAME);
    mkdir(path("mm7.exe").c_str(), 0755);
    result = run("E\nQ\n");
    EXPECT_EQ(result.err, std::string("Error: Cannot open mm7.exe: ") + IS_FOLDER + "\n\n"
                              + "This program expects to be in the same directory as mm7.exe.\n");
    rmdir(path("mm7.exe").c_str());

    // No call has failed before the first E: error number 0. After a failed
    // open, the line carries that open's error.
    put("mm7.exe", GAME.substr(0, 1000));
    result = run("E\nS\nQ\n");
    EXPECT_EQ(result.out, START + CHOICE + MENU + CHOICE + MENU + NOT_LOADED + CHOICE + END);
    EXPECT_EQ(result.err,
              "Error: Premature end of file at byte 1000 in mm7.exe: Error 0\n\n" + UNKNOWN_VERSION);
    put("mm7.exe", GAME.substr(0, BLOCK_OFFSET - 1));
    result = run("L\nmissing\nE\nQ\n");
    EXPECT_EQ(result.err, "Error: Cannot open missing: No such file or directory\n\n"
                          "Error: Premature end of file at byte 977039 in mm7.exe: "
                          "No such file or directory\n\n"
                              + UNKNOWN_VERSION);

    for (int length : {BLOCK_OFFSET, BLOCK_OFFSET + BLOCK_SIZE - 1}) {
        put("mm7.exe", GAME.substr(0, length));
        result = run("E\nQ\n");
        EXPECT_EQ(result.out, START + CHOICE);
        EXPECT_EQ(result.err, INVALID_DATA);
        EXPECT_EQ(result.status, 1);
    }
}

TEST_F(GameExeTest, InsertWithoutChangeKeepsTheGameByteForByte)
{
    // The copy takes the game's permission bits, but never set-user-ID,
    // set-group-ID or sticky: it belongs to whoever runs the program.
    const std::pair<unsigned, unsigned> modes[] = {
        {0751, 0751}, {0444, 0444}, {04755, 0755}, {02750, 0750}, {01644, 0644},
    };
    for (const auto& [before, after] : modes) {
        put("mm7.exe", GAME);
        chmod(path("mm7.exe").c_str(), before);
        ProgramRun result = run("E\nI\nQ\n");
        EXPECT_EQ(result.out, START + CHOICE + EXTRACTED + CHOICE + INSERTED + CHOICE + END);
        EXPECT_EQ(result.err, "");
        expect_game_untouched(GAME, "E then I");
        struct stat status;
        ASSERT_EQ(stat(path("mm7.exe").c_str(), &status), 0);
        if (testing_windows()) {  // Windows keeps only a read-only mark, shown as no write bits
            EXPECT_EQ(status.st_mode & 0200, before & 0200) << std::oct << before;
        } else {
            EXPECT_EQ(status.st_mode & 07777, after) << std::oct << before;
        }
        chmod(path("mm7.exe").c_str(), 0644);
    }
}

TEST_F(GameExeTest, InsertTakesOnlyATableReadFromAGameOrAFile)
{
    // Edits alone would wipe every other skill in the game; edits on a
    // table read before go in. A failed load reads nothing.
    const std::string EDIT = "C\n0\n0\nEMGG\nR\n";
    struct TableCase {
        std::string input;
        bool inserted;
    };
    const TableCase cases[] = {
        {EDIT + "I\nQ\n", false},
        {"L\nmissing.blk\n" + EDIT + "I\nQ\n", false},
        {"E\n" + EDIT + "I\nQ\n", true},
        {LOAD + EDIT + "I\nQ\n", true},
        {EDIT + LOAD + "I\nQ\n", true},
    };
    std::string edited = GAME;
    for (int stage = 0; stage < 4; ++stage)
        edited[BLOCK_OFFSET + cell(0, stage, 0)] = "\x02\x03\x04\x04"[stage];
    put("in.blk", TABLE);
    for (const TableCase& c : cases) {
        put("mm7.exe", GAME);
        ProgramRun result = run(c.input);
        EXPECT_TRUE(result.out.ends_with(c.inserted ? INSERTED + CHOICE + END : MENU + NOT_LOADED + CHOICE + END))
            << c.input;
        bool edit_last = c.input.starts_with("E") || c.input.starts_with("L");
        EXPECT_TRUE(get("mm7.exe") == (c.inserted && edit_last ? edited : GAME)) << c.input;
        EXPECT_FALSE(exists("mm7_new.exe"));
    }
}

TEST_F(GameExeTest, InsertWritesTheWholeTableUnusedSlotsIncluded)
{
    std::string block(BLOCK_SIZE, '\0');
    for (int i = 0; i < BLOCK_SIZE; ++i)
        block[i] = static_cast<char>(i * 7 % 5);  // 27 and 28 hold levels too
    put("in.blk", block);
    put("mm7.exe", GAME);
    ProgramRun result = run(LOAD + "I\nQ\n");
    EXPECT_EQ(result.out, START + LOAD_OUT + CHOICE + INSERTED + CHOICE + END);
    std::string expected = GAME;
    expected.replace(BLOCK_OFFSET, BLOCK_SIZE, block);
    EXPECT_EQ(get("mm7.exe"), expected);
}

TEST_F(GameExeTest, InsertRefusesGamesOfTheWrongLength)
{
    put("in.blk", TABLE);
    const std::string premature = "Error: Premature end of file in mm7.exe: Error 0\n\n" + UNKNOWN_VERSION;
    struct LengthCase {
        const char* what;
        std::string game;
        std::string err;
    };
    const LengthCase cases[] = {
        {"one byte short", GAME.substr(0, GAME_SIZE - 1), premature},
        {"shorter than the offset", GAME.substr(0, 1000), premature},
        {"one byte long", GAME + "x",
         "Error: File mm7.exe is longer than expected.  Aborting...  Error 0\n\n" + UNKNOWN_VERSION},
    };
    for (const LengthCase& c : cases) {
        put("mm7.exe", c.game);
        ProgramRun result = run(LOAD + "I\nQ\n");
        EXPECT_EQ(result.out, START + LOAD_OUT + CHOICE + MENU + CHOICE + END) << c.what;
        EXPECT_EQ(result.err, c.err) << c.what;
        expect_game_untouched(c.game, c.what);
    }
    // Looking up whether a typed name leads to the game leaves no error number behind.
    ProgramRun result = run(LOAD + "S\nnew.blk\nI\nQ\n");
    EXPECT_EQ(result.err, cases[2].err);
}

TEST_F(GameExeTest, InsertLeavesTheGameAloneWhenItCannotFinish)
{
    put("in.blk", TABLE);
    std::string game = GAME;
    game[BLOCK_OFFSET] = 9;  // the old block is neither checked nor kept
    ProgramRun result = run(LOAD + "I\nQ\n");
    EXPECT_EQ(result.out, START + LOAD_OUT + CHOICE + MENU + CHOICE + END);
    EXPECT_EQ(result.err, NO_GAME);
    EXPECT_FALSE(exists("mm7.exe"));
    EXPECT_FALSE(exists("mm7_new.exe"));

    result = run("I\nQ\n");
    EXPECT_EQ(result.out, START + CHOICE + MENU + NOT_LOADED + CHOICE + END);

    // A copy that cannot be made stops I there: nothing more is printed or done.
    put("mm7.exe", game);
    mkdir(path("mm7_new.exe").c_str(), 0755);
    result = run(LOAD + "I\nQ\n");
    EXPECT_EQ(result.out, START + LOAD_OUT + CHOICE + MENU + CHOICE + END);
    EXPECT_EQ(result.err, std::string("Error: Cannot open mm7_new.exe: ") + IS_FOLDER + "\n\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(get("mm7.exe"), game);
    EXPECT_EQ(files(), (std::set<std::string>{"in.blk", "mm7.exe", "mm7_new.exe"}));
    rmdir(path("mm7_new.exe").c_str());

    // A copy that cannot be written whole, as on a full disk.
    file_size_limit = 100000;
    result = run(LOAD + "I\nQ\n");
    file_size_limit = -1;
    EXPECT_EQ(result.out, START + LOAD_OUT + CHOICE + MENU + CHOICE + END);
    expect_write_error(result.err, "Error: Cannot write mm7_new.exe: ");
    expect_game_untouched(game, "copy too large");

    // A FIFO, a device or a socket is no game: opening one must not hang.
    if (!testing_windows()) {
        std::remove(path("mm7.exe").c_str());
        mkfifo(path("mm7.exe").c_str(), 0644);
        result = run(LOAD + "E\nI\nQ\n");
        const std::string refused = "Error: Cannot open mm7.exe: Operation not permitted\n\n"
                                    "This program expects to be in the same directory as mm7.exe.\n";
        EXPECT_EQ(result.out, START + LOAD_OUT + CHOICE + MENU + CHOICE + MENU + CHOICE + END);
        EXPECT_EQ(result.err, refused + refused);
        EXPECT_FALSE(exists("mm7_new.exe"));
    }
}

TEST_F(GameExeTest, NewFilesAreOnTheDiskBeforeTheyReplaceTheOld)
{
    if (!testing_windows())
        GTEST_SKIP() << "on Linux the fault-injection test shows it, call by call";
    // Wine's relay trace of two calls: every new file must be flushed to the
    // disk through its own handle before that handle moves it over the old.
    ASSERT_EQ(system("/usr/lib/wine/wine64 reg add 'HKCU\\Software\\Wine\\Debug' /v RelayInclude /t REG_SZ"
                     " /d 'kernel32.FlushFileBuffers;kernel32.SetFileInformationByHandle' /f >/dev/null 2>&1"),
              0);
    put("in.blk", TABLE);
    put("mm7.exe", GAME);
    put("kept.blk", std::string(BLOCK_SIZE, '\0'));
    program_wrapper = "env WINEDEBUG=+relay sh -c 'exec \"$@\" 2>../relay' sh";
    ProgramRun result = run(LOAD + "I\nS\nkept.blk\nQ\n");
    program_wrapper.clear();
    EXPECT_EQ(result.out, START + LOAD_OUT + CHOICE + INSERTED + CHOICE + "Save to file name: " + MENU
                              + "Skill block saved.\n\n" + CHOICE + END);
    std::istringstream trace(read_whole_file(base_dir + "/relay"));
    std::set<std::string> flushed;  // handles flushed since the last move
    int moves = 0;
    for (std::string line; std::getline(trace, line);) {
        size_t call = line.find(":Call KERNEL32.");
        if (call == std::string::npos)
            continue;
        std::string function = line.substr(call + 15, line.find('(') - call - 15);
        std::string handle = line.substr(line.find('(') + 1, 8);
        if (function == "FlushFileBuffers")
            flushed.insert(handle);
        if (function == "SetFileInformationByHandle" && line.find(",00000003,") != std::string::npos) {
            EXPECT_TRUE(flushed.contains(handle)) << "moved without a flush: " << line;
            flushed.clear();
            ++moves;
        }
    }
    EXPECT_EQ(moves, 2) << "one move for I, one for S";
}

TEST_F(GameExeTest, InsertMakesACopyOfItsOwn)
{
    put("in.blk", TABLE);
    put("victim", "someone else's file");
    std::string expected = GAME;
    expected.replace(BLOCK_OFFSET, BLOCK_SIZE, TABLE);
    // Whatever stands at mm7_new.exe is taken away, never written through.
    struct StandingCase {
        const char* what;
        int (*make)(const std::string& name, const std::string& victim);
    };
    std::vector<StandingCase> cases = {
        {"a copy left by a killed run",
         [](const std::string& name, const std::string&) { return write_bytes(name, {1, 2, 3}) ? 0 : -1; }},
    };
    if (!testing_windows()) {
        cases.push_back({"a link to another file", [](const std::string& name, const std::string& victim) {
                             return symlink(victim.c_str(), name.c_str());
                         }});
        cases.push_back({"another name of another file", [](const std::string& name, const std::string& victim) {
                             return link(victim.c_str(), name.c_str());
                         }});
        cases.push_back({"a FIFO", [](const std::string& name, const std::string&) {
                             return mkfifo(name.c_str(), 0644);
                         }});
        cases.push_back({"a link to nowhere", [](const std::string& name, const std::string&) {
                             return symlink("nowhere", name.c_str());
                         }});
    }
    for (const StandingCase& c : cases) {
        put("mm7.exe", GAME);
        ASSERT_EQ(c.make(path("mm7_new.exe"), path("victim")), 0) << c.what;
        ProgramRun result = run(LOAD + "I\nQ\n");
        EXPECT_EQ(result.out, START + LOAD_OUT + CHOICE + INSERTED + CHOICE + END) << c.what;
        EXPECT_EQ(result.err, "") << c.what;
        EXPECT_EQ(get("mm7.exe"), expected) << c.what;
        EXPECT_EQ(get("victim"), "someone else's file") << c.what;
        EXPECT_EQ(files(), (std::set<std::string>{"in.blk", "mm7.exe", "victim"})) << c.what;
    }
}

TEST_F(GameExeTest, InsertReportsAGameThatCannotBeReplaced)
{
    put("in.blk", TABLE);
    put("mm7.exe", GAME);
    // An immutable file cannot be replaced, even by root.
    if (system(("chattr +i " + path("mm7.exe") + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "this file system cannot make a file immutable";
    ProgramRun result = run(LOAD + "I\nQ\n");
    system(("chattr -i " + path("mm7.exe")).c_str());
    EXPECT_EQ(result.out, START + LOAD_OUT + CHOICE + MENU + CHOICE + END);
    EXPECT_EQ(result.err, std::string("Error: Cannot replace mm7.exe: ")
                              + platform_text("Operation not permitted", "Permission denied") + "\n\n");
    expect_game_untouched(GAME, "immutable game");
}

TEST_F(GameExeTest, WholeCycleChangesOnlyTheEditedEntries)
{
    put("mm7.exe", GAME);
    // Extract, look at both screens, set the Druid's Learning to B E M G, insert.
    ProgramRun result = run("E\nV\nn\nr\nC\n7\n36\nbEm4\nR\nI\nQ\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
    std::string expected = GAME;
    for (int stage = 0; stage < 4; ++stage)
        expected[BLOCK_OFFSET + cell(7, stage, 36)] = static_cast<char>(stage + 1);
    EXPECT_EQ(get("mm7.exe"), expected);
    EXPECT_FALSE(exists("mm7_new.exe"));
}

TEST_F(GameExeTest, NoFileIsLeftOpen)
{
    if (testing_windows())
        GTEST_SKIP() << "Wine itself needs more open files than the limit";
    put("in.blk", TABLE);
    put("kept.blk", TABLE);
    symlink("kept.blk", path("link.blk").c_str());
    const std::string SAVED = CHOICE + "Save to file name: " + MENU + "Skill block saved.\n\n";
    const std::string MISSING = "Error: Cannot open missing: No such file or directory\n\n";
    const std::string SHORT =
        "Error: Premature end of file at byte 1000 in mm7.exe: Error 0\n\n" + UNKNOWN_VERSION;
    struct LeakCase {
        std::string game;
        std::string input;  // one round of commands
        std::string out;    // what one round prints
        std::string err;
    };
    const LeakCase cases[] = {
        {GAME, "L\nin.blk\nS\nout.blk\nS\nlink.blk\nE\nI\nL\nmissing\n",
         LOAD_OUT + SAVED + SAVED + CHOICE + EXTRACTED + CHOICE + INSERTED + CHOICE
             + "Load from file name: " + MENU,
         MISSING},
        {GAME.substr(0, 1000), "E\n", CHOICE + MENU, SHORT},
    };
    // Under a small limit a file left open by any command makes a later open fail.
    open_file_limit = 12;
    for (const LeakCase& c : cases) {
        put("mm7.exe", c.game);
        std::string input, out = START, err;
        for (int round = 0; round < 10; ++round) {
            input += c.input;
            out += c.out;
            err += c.err;
        }
        ProgramRun result = run(input + "Q\n");
        EXPECT_EQ(result.out, out + CHOICE + END) << c.input;
        EXPECT_EQ(result.err, err) << c.input;
    }
}

}  // namespace
