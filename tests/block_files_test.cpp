// L and S: skill block files in and out, and the answers at their file-name prompts.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "stand_in_game.h"
#include "support/program_run.h"
#include "support/texts.h"

namespace {

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

size_t fs_entries(const std::string& folder)
{
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

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
        {"S\n\n", SAVE_PROMPT, "Error: Cannot open : No such file or directory\n\n"},  // no new file made for it
        {"L\nfolder\n", LOAD_PROMPT, folder_error("folder")},
        {"S\nfolder\n", SAVE_PROMPT, folder_error("folder")},
        {"S\nno/such/dir\n", SAVE_PROMPT,
         "Error: Cannot open no/such/dir: No such file or directory\n\n"},
        // A name's control characters, and its 8-bit ones, never reach the terminal (Windows takes no such name).
        {"L\nx\x1b[2J\x9b" "2J\n", LOAD_PROMPT, "Error: Cannot open x?[2J?2J: No such file or directory\n\n"},
    };
    put("in.blk", sample_block());
    for (const OpenCase& c : cases) {
        if (testing_windows() && c.input.find('\x1b') != std::string::npos)
            continue;
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
    // Windows drops trailing spaces itself, and takes off the quotes of a
    // name dropped onto its console; elsewhere both belong to the name.
    const std::string spaced = " spaced name ", quoted = "\"quoted.blk\"";
    const std::pair<std::string, std::string> names[] = {
        {spaced, testing_windows() ? " spaced name" : spaced},
        {sixty, sixty},
        {quoted, testing_windows() ? "quoted.blk" : quoted},
    };
    for (const auto& [name, file] : names) {
        ProgramRun result = run("L\nin.blk\nS\n" + name + "\nQ\n");
        EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + LOADED + CHOICE + SAVE_PROMPT + SAVED
                                  + CHOICE + END);
        EXPECT_EQ(get(file), sample_block()) << name;
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
    // The game's two names are refused even where no game is.
    put("in.blk", sample_block());
    for (const char* name : {"mm7.exe", "MM7.EXE"}) {
        ProgramRun result = run(std::string("L\nin.blk\nS\n") + name + "\nQ\n");
        EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + LOADED + CHOICE + SAVE_PROMPT
                                  + REFUSED_GAME + CHOICE + END)
            << name;
        EXPECT_EQ(files(), std::set<std::string>{"in.blk"}) << name;
    }

    const std::string game = "stand-in game";
    put("mm7.exe", game);
    symlink("mm7.exe", path("link.exe").c_str());
    // Every spelling is refused, even where the file system tells case:
    // on FAT and exFAT each one is the game.
    for (const char* name : {"mm7.exe", "MM7.EXE", "./mm7.exe", "link.exe", "../game/mm7.exe", "mm7.EXE"}) {
        ProgramRun result = run(std::string("L\nin.blk\nS\n") + name + "\nQ\n");
        EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + LOADED + CHOICE + SAVE_PROMPT
                                  + REFUSED_GAME + CHOICE + END)
            << name;
        EXPECT_EQ(get("mm7.exe"), game);
        EXPECT_EQ(get("mm7.EXE"), "<missing>");
    }
}

TEST_F(BlockFilesTest, SaveRefusesTheGameAndItsCopyUnderAnyName)
{
    // No game and no copy here: the names alone are refused, as a FAT or
    // exFAT disk would take them, in any folder.
    put("in.blk", sample_block());
    mkdir(path("sub").c_str(), 0755);
    const std::string KEPT_FOR_COPY = " is kept for the copy of mm7.exe that I makes.\n\n";
    struct NameCase {
        std::string name;
        bool game;  // else the copy
    };
    std::vector<NameCase> cases = {
        {"Mm7.exe", true}, {"mm7.exe.", true}, {"mm7.exe . .", true}, {"sub/MM7.Exe", true},
        {"mm7_new.exe", false}, {"MM7_NEW.EXE", false}, {"sub/mm7_new.exe..", false},
    };
    if (testing_windows()) {
        // The raw forms reach the same names; a colon past the drive's is a
        // stream of a file, no file of its own.
        cases.push_back({"\\\\?\\Z:" + work_dir + "/sub/mm7.exe", true});
        cases.push_back({"\\\\.\\Z:" + work_dir + "/mm7_new.exe.", false});
    } else {
        // A link is followed to the name it finally leads to, a relative one
        // from its own folder.
        symlink("sub/hop", path("to-game").c_str());
        symlink("MM7.exe", path("sub/hop").c_str());
        symlink("sub/mm7_NEW.exe", path("to-copy").c_str());
        cases.push_back({"to-game", true});
        cases.push_back({"to-copy", false});
    }
    const std::set<std::string> before = files();
    for (const NameCase& c : cases) {
        ProgramRun result = run("L\nin.blk\nS\n" + c.name + "\nQ\n");
        EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + LOADED + CHOICE + SAVE_PROMPT
                                  + (c.game ? REFUSED_GAME : MENU) + CHOICE + END)
            << c.name;
        EXPECT_EQ(result.err, c.game ? "" : "Error: " + c.name + KEPT_FOR_COPY) << c.name;
        EXPECT_EQ(files(), before) << c.name;
        EXPECT_EQ(fs_entries(path("sub")), testing_windows() ? 0u : 1u) << c.name;
    }
    // The copy's other names are refused too while it is there.
    put("mm7_new.exe", "a copy of I's");
    if (!testing_windows()) {
        ASSERT_EQ(link(path("mm7_new.exe").c_str(), path("other.blk").c_str()), 0);
        ProgramRun result = run("L\nin.blk\nS\nother.blk\nQ\n");
        EXPECT_EQ(result.err, "Error: other.blk" + KEPT_FOR_COPY);
        EXPECT_EQ(get("other.blk"), "a copy of I's");
    }
    if (testing_windows()) {
        ProgramRun result = run("L\nin.blk\nS\nx.blk:stream\nQ\n");
        EXPECT_EQ(result.err, "Error: Cannot open x.blk:stream: Invalid argument\n\n");
    }
}

TEST_F(BlockFilesTest, SaveThroughALinkReplacesTheFileItLeadsTo)
{
    if (testing_windows())
        GTEST_SKIP() << "Windows links are not made by the tests";
    put("in.blk", sample_block());
    mkdir(path("kept").c_str(), 0755);
    put("kept/target.blk", "old");
    chmod(path("kept/target.blk").c_str(), 0640);
    symlink("kept/hop.blk", path("link.blk").c_str());
    symlink("target.blk", path("kept/hop.blk").c_str());  // relative to its own folder
    struct stat old_status;
    ASSERT_EQ(stat(path("kept/target.blk").c_str(), &old_status), 0);
    ProgramRun result = run("L\nin.blk\nS\nlink.blk\nQ\n");
    EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + LOADED + CHOICE + SAVE_PROMPT + SAVED + CHOICE + END);
    EXPECT_EQ(get("kept/target.blk"), sample_block());
    // A new file moved over it, with its bits; both links stay links.
    struct stat status;
    ASSERT_EQ(stat(path("kept/target.blk").c_str(), &status), 0);
    EXPECT_NE(status.st_ino, old_status.st_ino);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    for (const char* name : {"link.blk", "kept/hop.blk"}) {
        ASSERT_EQ(lstat(path(name).c_str(), &status), 0);
        EXPECT_TRUE(S_ISLNK(status.st_mode)) << name;
    }
    EXPECT_EQ(fs_entries(path("kept")), 2u);

    // A folder that cannot take a new file, though the file itself may be
    // written: the save is refused, and says so.
    chmod(path("kept").c_str(), 0555);
    chmod(path("kept/target.blk").c_str(), 0666);
    put("other.blk", std::string(BLOCK_SIZE, '\x01'));
    program_wrapper = as_ordinary_user();
    result = run("L\nother.blk\nS\nlink.blk\nQ\n");
    program_wrapper.clear();
    chmod(path("kept").c_str(), 0755);
    {
        EXPECT_EQ(result.err, "Error: Cannot open link.blk: Permission denied\n\n");
        EXPECT_EQ(get("kept/target.blk"), sample_block());
    }
}

TEST_F(BlockFilesTest, NameLengthCountsCharacters)
{
    put("in.blk", sample_block());
    // Two, three and four bytes a character: 60 are a name, 61 are too many.
    const std::string TOO_LONG = "Error: File name longer than 60 characters.\n\n";
    // The four-byte ones from each lead byte's range, up to U+10FFFF.
    const std::string four_bytes = "\U00010330\U000F0000\U0010FFFF";
    for (const std::string& character : {std::string("ж"), std::string("漢"), four_bytes}) {
        std::string name;
        for (int i = 0; i < 60; i += character == four_bytes ? 3 : 1)
            name += character;
        ProgramRun result = run("L\nin.blk\nS\n" + name + "\nS\n" + name + "ж\nQ\n");
        EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + LOADED + CHOICE + SAVE_PROMPT + SAVED + CHOICE
                                  + SAVE_PROMPT + MENU + CHOICE + END)
            << character;
        EXPECT_EQ(result.err, TOO_LONG) << character;
        EXPECT_EQ(get(name), sample_block()) << character;
        std::remove(path(name).c_str());
    }
    if (testing_windows())
        return;  // bytes of no character are no name there
    // A byte of no valid sequence (a lone continuation byte, an overlong
    // form, a surrogate, a sequence cut short) counts as a character.
    for (const std::string odd : {"\x80", "\xc0\xaf", "\xed\xa0\x80", "\xe6\xbc"}) {
        std::string name;
        while (name.size() < 60 * odd.size())
            name += odd;
        int characters = odd == "\x80" ? 60 : odd.size() == 2 ? 120 : 180;
        ProgramRun result = run("L\nin.blk\nS\n" + name + "\nQ\n");
        EXPECT_EQ(result.err, characters > 60 ? TOO_LONG : "") << characters;
        EXPECT_EQ(get(name), characters > 60 ? "<missing>" : sample_block());
    }
}

TEST_F(BlockFilesTest, ScriptedNamesAreTakenByteForByte)
{
    // A byte 0x1A is no end of the input from a script, on Windows either,
    // where no name may hold it: that name alone is refused, and the script goes on.
    put("in.blk", sample_block());
    const std::string odd = "x\x1ay.blk";
    ProgramRun result = run("L\nin.blk\nS\n" + odd + "\nS\nafter.blk\nQ\n");
    EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + LOADED + CHOICE + SAVE_PROMPT
                              + (testing_windows() ? MENU : SAVED) + CHOICE + SAVE_PROMPT + SAVED + CHOICE + END);
    EXPECT_EQ(result.err, testing_windows() ? "Error: Cannot open x?y.blk: Invalid argument\n\n" : "");  // 0x1A shown as ?
    EXPECT_EQ(get("after.blk"), sample_block());
    EXPECT_EQ(get(odd), testing_windows() ? "<missing>" : sample_block());
    EXPECT_FALSE(exists("x"));
}

TEST_F(BlockFilesTest, SaveBesideTheGameGoesThrough)
{
    // Files whose numbers on the disk lie below and above the game's are other files.
    // Files made before the game and after it are likely to have such numbers.
    for (int i = 0; i < 20; ++i) {
        put("other" + std::to_string(i) + ".blk", "old");
        if (i == 9)
            put("mm7.exe", "stand-in game");
    }
    put("in.blk", sample_block());
    struct stat game;
    ASSERT_EQ(stat(path("mm7.exe").c_str(), &game), 0);
    std::string below, above;
    for (int i = 0; i < 20; ++i) {
        std::string name = "other" + std::to_string(i) + ".blk";
        struct stat other;
        ASSERT_EQ(stat(path(name).c_str(), &other), 0);
        ASSERT_EQ(other.st_dev, game.st_dev);
        (other.st_ino < game.st_ino ? below : above) = name;
    }
    for (const std::string& name : {below, above}) {
        if (name.empty())
            continue;  // the file system gave no such number
        ProgramRun result = run("L\nin.blk\nS\n" + name + "\nQ\n");
        EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + LOADED + CHOICE + SAVE_PROMPT + SAVED
                                  + CHOICE + END)
            << name;
        EXPECT_EQ(get(name), sample_block());
    }
    EXPECT_FALSE(below.empty() && !testing_windows()) << "no file numbered below the game";
}

TEST_F(BlockFilesTest, FailedSavesLeaveWhatWasThere)
{
    put("in.blk", sample_block());
    const std::string old_block(BLOCK_SIZE, '\x01');
    put("old.blk", old_block);
    put("target.blk", old_block);
    struct FailedSave {
        std::string name;
        std::string file;  // the file the name leads to
        std::string left;  // what that file holds afterwards
    };
    std::vector<FailedSave> cases = {
        {"old.blk", "old.blk", old_block},
        {"new.blk", "new.blk", "<missing>"},
    };
    if (!testing_windows()) {
        // The file a link leads to is replaced as safely as any other.
        symlink("target.blk", path("link.blk").c_str());
        cases.push_back({"link.blk", "target.blk", old_block});
    }
    // A write past the limit fails, as on a full disk or past a quota.
    file_size_limit = 1000;
    for (const FailedSave& c : cases) {
        const std::set<std::string> before = files();
        ProgramRun result = run("L\nin.blk\nS\n" + c.name + "\nQ\n");
        EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + LOADED + CHOICE + SAVE_PROMPT + MENU
                                  + CHOICE + END)
            << c.name;
        expect_write_error(result.err, "Error: Cannot write " + c.name + ": ");
        EXPECT_EQ(get(c.file), c.left) << c.name;
        EXPECT_EQ(files(), before) << c.name << ": a file was left behind";
    }
    // A new file that cannot be removed is named on a line of its own, whole.
    if (!testing_windows() && system("strace -V >/dev/null 2>&1") == 0) {
        program_wrapper = "env ASAN_OPTIONS=detect_leaks=0 strace -qq -o /dev/null -e inject=unlink:error=EBUSY";
        ProgramRun result = run("L\nin.blk\nS\nold.blk\nQ\n");
        program_wrapper.clear();
        EXPECT_EQ(std::regex_replace(result.err, std::regex("old\\.blk\\.[0-9a-f]{6}\\.tmp"), "NEW"),
                  "Error: Cannot write old.blk: File too large\n\nError: Cannot remove NEW: Device or resource busy\n\n");
        EXPECT_EQ(get("old.blk"), old_block);
    }
}

TEST_F(BlockFilesTest, OnlyRegularFilesAreReadOrWritten)
{
    put("in.blk", sample_block());
    put("old.blk", std::string(BLOCK_SIZE, '\x02'));
    chmod(path("old.blk").c_str(), 0640);
    mkfifo(path("fifo").c_str(), 0644);
    symlink("/dev/null", path("null.blk").c_str());
    symlink("fifo", path("fifo.blk").c_str());
    symlink("gone.blk", path("dangling.blk").c_str());
    int socket_file = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un socket_name = {};
    socket_name.sun_family = AF_UNIX;
    std::snprintf(socket_name.sun_path, sizeof socket_name.sun_path, "%s", path("socket").c_str());
    ASSERT_EQ(bind(socket_file, reinterpret_cast<sockaddr*>(&socket_name), sizeof socket_name), 0);
    put("target.blk", "old");
    symlink("target.blk", path("link.blk").c_str());
    umask(022);
    const std::string NOT_A_FILE = "Operation not permitted";
    const std::string ANY_ERROR = "<any error text>";
    struct KindCase {
        std::string name;
        std::string error;  // empty where the save succeeds
        std::string file;   // where the block then lands
        unsigned mode;      // and with which permission bits
        bool readable = false;  // whether L can read it, where S is refused
        bool ordinary_user = false;  // run as one, where root may write any file
    };
    std::vector<KindCase> cases = {
        {"old.blk", "", "old.blk", 0640},
        {"new.blk", "", "new.blk", 0644},
    };
    if (testing_windows()) {
        // Devices, under any of their names; Wine's error texts vary with the device.
        for (const char* device : {"nul", "NUL.blk", "CON", "con.txt", "COM1", "AUX", "LPT1", "PRN"})
            cases.push_back({device, ANY_ERROR, "", 0});
    } else {
        cases.push_back({"link.blk", "", "target.blk", 0644});
        cases.push_back({"fifo", NOT_A_FILE, "", 0});
        cases.push_back({"fifo.blk", NOT_A_FILE, "", 0});
        cases.push_back({"null.blk", NOT_A_FILE, "", 0});
        cases.push_back({"dangling.blk", "No such file or directory", "", 0});
        cases.push_back({"socket", ANY_ERROR, "", 0});  // L: the system cannot open one at all
    }
    // A block file marked read-only is kept as it is (for an ordinary user:
    // root may write any file), though its folder would take a new file.
    put("kept.blk", "read-only");
    chmod(path("kept.blk").c_str(), 0444);
    cases.push_back({"kept.blk", "Permission denied", "", 0, true, !testing_windows()});
    for (const KindCase& c : cases) {
        const std::set<std::string> before = files();
        bool saved = c.error.empty();
        // A name refused for reading too leaves the table as it was (the
        // load of a FIFO would hang), and no save to it may go through.
        bool loads = !saved && !c.readable;
        const std::string load = loads ? "L\n" + c.name + "\n" : "";
        program_wrapper = c.ordinary_user ? as_ordinary_user() : "";
        ProgramRun result = run("L\nin.blk\n" + load + "S\n" + c.name + "\nQ\n");
        program_wrapper.clear();
        std::string error;
        if (!saved)
            error = "Error: Cannot open " + c.name + ": " + c.error + "\n\n";
        EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + LOADED
                                  + (loads ? CHOICE + LOAD_PROMPT + MENU : "") + CHOICE + SAVE_PROMPT
                                  + (saved ? SAVED : MENU) + CHOICE + END)
            << c.name;
        if (saved) {
            EXPECT_EQ(get(c.file), sample_block()) << c.name;
            struct stat status;
            ASSERT_EQ(lstat(path(c.file).c_str(), &status), 0);
            if (!testing_windows()) {
                EXPECT_EQ(status.st_mode & 07777, c.mode) << c.name;
            }
            EXPECT_EQ(result.err, "") << c.name;
        } else if (c.error == ANY_ERROR) {
            const std::string line_start = "Error: Cannot open " + c.name + ": ";
            EXPECT_TRUE(result.err.starts_with(line_start) && result.err.ends_with("\n\n")
                        && result.err.find(line_start, 1) != std::string::npos)
                << result.err;
            EXPECT_EQ(files(), before) << c.name;
        } else {
            EXPECT_EQ(result.err, loads ? error + error : error) << c.name;
            EXPECT_EQ(files(), before) << c.name;
        }
    }
    EXPECT_EQ(get("link.blk"), testing_windows() ? "old" : sample_block());
    close(socket_file);
    EXPECT_FALSE(exists("gone.blk"));
    EXPECT_EQ(get("kept.blk"), exists("kept.blk") ? "read-only" : "<missing>");
}

TEST_F(BlockFilesTest, NamesInAnyLanguage)
{
    // Typed as UTF-8, the Windows program's code page: the file must be the
    // one that other programs show under that name, and error lines show it too.
    put("in.blk", sample_block());
    for (const std::string name : {"навыки.blk", "Fähigkeiten-äöü.blk", "umiejętności.blk"}) {
        ProgramRun result = run("L\nin.blk\nS\n" + name + "\nL\n" + name + "\nL\nx" + name + "\nQ\n");
        EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + LOADED + CHOICE + SAVE_PROMPT + SAVED
                                  + CHOICE + LOAD_PROMPT + LOADED + CHOICE + LOAD_PROMPT + MENU + CHOICE
                                  + END)
            << name;
        EXPECT_EQ(result.err, "Error: Cannot open x" + name + ": No such file or directory\n\n");
        EXPECT_EQ(get(name), sample_block()) << name;
    }
}

TEST_F(BlockFilesTest, NamesHoldEveryByteButNul)
{
    put("in.blk", sample_block());
    // A byte 255 is part of the name; nothing of the answer reaches the main
    // prompt. In the Windows program's code page, UTF-8, it is no character:
    // there the name is refused whole, never changed into another.
    const std::string odd = "m\xffig.blk";
    const std::string UNUSABLE = "Error: File name contains a character this system cannot use.\n\n";
    ProgramRun result = run("L\nin.blk\nS\n" + odd + "\nL\n" + odd + "\nQ\n");
    bool usable = !testing_windows();
    EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + LOADED + CHOICE + SAVE_PROMPT
                              + (usable ? SAVED : MENU) + CHOICE + LOAD_PROMPT
                              + (usable ? LOADED : MENU) + CHOICE + END);
    EXPECT_EQ(result.err, usable ? "" : UNUSABLE + UNUSABLE);
    EXPECT_EQ(get(odd), usable ? sample_block() : "<missing>");
    EXPECT_EQ(files(), (usable ? std::set<std::string>{"in.blk", odd} : std::set<std::string>{"in.blk"}));

    // A NUL would end the name early: the answer is refused whole, up to 60 characters.
    const std::string NUL_REFUSED = "Error: File name contains a NUL character.\n\n";
    const std::string nul_name = std::string("a\0b.blk", 7);
    const std::set<std::string> before = files();
    for (const std::string& name : {nul_name, std::string(59, 'x') + '\0'}) {
        result = run("L\n" + name + "\nL\nin.blk\nS\n" + name + "\nQ\n");
        EXPECT_EQ(result.out, START + CHOICE + LOAD_PROMPT + MENU + CHOICE + LOAD_PROMPT + LOADED
                                  + CHOICE + SAVE_PROMPT + MENU + CHOICE + END);
        EXPECT_EQ(result.err, NUL_REFUSED + NUL_REFUSED);
        EXPECT_EQ(files(), before);
    }
    result = run("L\n" + std::string(60, 'x') + '\0' + "\nQ\n");
    EXPECT_EQ(result.err, "Error: File name longer than 60 characters.\n\n");
}

}  // namespace
