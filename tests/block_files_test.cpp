// L and S: skill block files in and out, and the answers at their file-name prompts.
#include <sys/stat.h>
#include <unistd.h>

#include "stand_in_game.h"
#include "support/program_run.h"
#include "support/texts.h"

namespace {

std::string as_string(const std::vector<unsigned char>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// A block with levels in the two unnamed slots, which must pass through unchanged.
std::string sample_block()
{
    std::string block = as_string(make_plausible_table());
    block[cell(0, 0, 27)] = 4;
    block[cell(8, 3, 28)] = 2;
    return block;
}

const std::string LOADED = MENU + "Skill block loaded.\n\n";
const std::string SAVED = MENU + "Skill block saved.\n\n";
const std::string LOAD_PROMPT = "Load from file name: ";
const std::string SAVE_PROMPT = "Save to file name: ";
const std::string REFUSED_GAME =
    MENU + "No!  Bad user!  Don't overwrite the whole game with just the skills!\n"
           "Seriously, you would have destroyed your game if I had let you do that.\n\n";

std::string folder_error(const std::string& name)
{
    return "Error: Cannot open " + name + ": " + platform_text("Is a directory", "Permission denied")
           + "\n\n";
}

class BlockFilesTest : public ProgramTest {};

TEST_F(BlockFilesTest, SavedBlockIsTheLoadedOne)
{
    put("in.blk", sample_block() + "trailing bytes are ignored");
    ProgramRun result = run("L\nin.blk\nS\nout.blk\nQ\n");
    EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + LOADED + CHOICE + SAVE_PROMPT + SAVED
                              + CHOICE + END);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(get("out.blk"), sample_block());
}

TEST_F(BlockFilesTest, InvalidBlocksEndTheProgram)
{
    std::string good = sample_block();
    struct BadBlock {
        const char* what;
        std::string bytes;
    };
    const BadBlock cases[] = {
        {"empty", ""},
        {"one byte short", good.substr(0, BLOCK_SIZE - 1)},
        {"0x05 first", std::string(1, '\x05') + good.substr(1)},
        {"0x80 inside", good.substr(0, 700) + '\x80' + good.substr(701)},
        {"0xFF last", good.substr(0, BLOCK_SIZE - 1) + '\xff'},
    };
    for (const BadBlock& c : cases) {
        put("bad.blk", c.bytes);
        ProgramRun result = run("L\nbad.blk\nQ\n");
        EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT) << c.what;
        EXPECT_EQ(result.err, INVALID_DATA) << c.what;
        EXPECT_EQ(result.status, 1) << c.what;
    }
}

TEST_F(BlockFilesTest, FilesThatCannotBeOpened)
{
    mkdir(path("folder").c_str(), 0755);
    struct OpenCase {
        std::string input;
        std::string prompt;
        std::string err;
    };
    // A failed open keeps the loaded table: the final save holds it.
    const OpenCase cases[] = {
        {"L\nmissing\n", LOAD_PROMPT, "Error: Cannot open missing: No such file or directory\n\n"},
        {"L\n\n", LOAD_PROMPT, "Error: Cannot open : No such file or directory\n\n"},
        {"L\nfolder\n", LOAD_PROMPT, folder_error("folder")},
        {"S\nfolder\n", SAVE_PROMPT, folder_error("folder")},
        {"S\nno/such/dir\n", SAVE_PROMPT,
         "Error: Cannot open no/such/dir: No such file or directory\n\n"},
    };
    put("in.blk", sample_block());
    for (const OpenCase& c : cases) {
        ProgramRun result = run("L\nin.blk\n" + c.input + "S\nout.blk\nQ\n");
        EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + LOADED + CHOICE + c.prompt + MENU
                                  + CHOICE + SAVE_PROMPT + SAVED + CHOICE + END)
            << c.input;
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(get("out.blk"), sample_block());
    }
}

TEST_F(BlockFilesTest, FileNamesAreTakenAsTyped)
{
    const std::string sixty(60, 'n');
    put("in.blk", sample_block());
    // Windows drops trailing spaces from file names, and its names ignore case.
    const std::string spaced = " spaced name ";
    const std::string spaced_file = testing_windows() ? " spaced name" : spaced;
    for (const std::string& name : {spaced, sixty}) {
        ProgramRun result = run("L\nin.blk\nS\n" + name + "\nQ\n");
        EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + LOADED + CHOICE + SAVE_PROMPT + SAVED
                                  + CHOICE + END);
        EXPECT_EQ(get(name == spaced ? spaced_file : name), sample_block()) << name;
    }
}

TEST_F(BlockFilesTest, OverlongFileNamesAreRefusedWhole)
{
    const std::string refused = MENU;
    const std::string error = "Error: File name longer than 60 characters.\n\n";
    put("in.blk", sample_block());
    // The rest of the over-long line must not reach the main prompt as commands.
    for (int length : {61, 65, 200}) {
        std::string name(length - 1, 'q');
        name = "x" + name;
        ProgramRun result = run("L\n" + name + "\nS\nQ\n");
        EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + refused + CHOICE + MENU + NOT_LOADED
                                  + CHOICE + END)
            << length;
        EXPECT_EQ(result.err, error);
        result = run("L\nin.blk\nS\n" + name + "\nQ\n");
        EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + LOADED + CHOICE + SAVE_PROMPT + refused
                                  + CHOICE + END);
        EXPECT_EQ(result.err, error);
        EXPECT_FALSE(exists(name.substr(0, 60)));
    }
}

TEST_F(BlockFilesTest, SaveNeverOverwritesTheGame)
{
    const std::string game = "stand-in game";
    put("mm7.exe", game);
    symlink("mm7.exe", path("link.exe").c_str());
    put("in.blk", sample_block());
    for (const char* name : {"mm7.exe", "MM7.EXE", "./mm7.exe", "link.exe", "../game/mm7.exe", "mm7.EXE"}) {
        ProgramRun result = run(std::string("L\nin.blk\nS\n") + name + "\nQ\n");
        // On a file system that tells case, mm7.EXE is another file and may be written.
        bool refused = testing_windows() || std::string(name) != "mm7.EXE";
        EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + LOADED + CHOICE + SAVE_PROMPT
                                  + (refused ? REFUSED_GAME : SAVED) + CHOICE + END)
            << name;
        EXPECT_EQ(get("mm7.exe"), game);
        EXPECT_EQ(get("mm7.EXE"), refused ? "<missing>" : sample_block());
    }
}

TEST_F(BlockFilesTest, FailedWritesAreReported)
{
    symlink("/dev/full", path("full.blk").c_str());
    put("in.blk", sample_block());
    ProgramRun result = run("L\nin.blk\nS\nfull.blk\nQ\n");
    EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + LOADED + CHOICE + SAVE_PROMPT + MENU
                              + CHOICE + END);
    EXPECT_EQ(result.err, "Error: Cannot write full.blk: No space left on device\n\n");
}

}  // namespace
