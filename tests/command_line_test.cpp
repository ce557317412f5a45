// The command line: usage, apply, diff, and refusals that leave every file
// as it was.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <thread>
#include <tuple>

#include "stand_in_game.h"
#include "support/program_run.h"
#include "support/texts.h"

namespace {

const std::vector<unsigned char> TABLE = make_plausible_table();
// The comment lines that begin every text the program writes.
const std::string HEAD = "# skilltab skill table: one row per skill, one column per class.\n"
                         "# Each entry: unpromoted, first promotion, light path, dark path.\n"
                         "# Levels: - none, B Basic, E Expert, M Master, G Grandmaster.\n";
const std::string BLOCK = as_string(TABLE);
const std::string GAME = as_string(make_stand_in_game(TABLE));

class CommandLineTest : public ProgramTest {
protected:
    // Every file of the folder: a hash of its bytes, its file number and its
    // modification time.
    std::map<std::string, std::tuple<size_t, ino_t, long, long>> snapshot() const
    {
        std::map<std::string, std::tuple<size_t, ino_t, long, long>> all;
        for (const std::string& name : files()) {
            struct stat status;
            lstat(path(name).c_str(), &status);
            all[name] = {std::hash<std::string>{}(get(name)), status.st_ino, status.st_mtim.tv_sec,
                         status.st_mtim.tv_nsec};
        }
        return all;
    }
};

// The block with one class's four levels of one skill set.
std::string with_entry(std::string block, int class_index, int slot, const char* levels)
{
    for (int stage = 0; stage < 4; ++stage)
        block[cell(class_index, stage, slot)] = std::string("-BEMG").find(levels[stage]) == std::string::npos
                                                    ? 0
                                                    : static_cast<char>(std::string("-BEMG").find(levels[stage]));
    return block;
}

// Whether the program, started as this process, has the folder open.
bool holds_open(int process, const std::string& folder)
{
    const std::string proc = "/proc/" + std::to_string(process);
    if (!read_whole_file(proc + "/comm").starts_with("skilltab"))
        return false;  // not yet the program, which the folder of the test's own might still be open in
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(proc + "/fd", ignored)) {
        if (std::filesystem::read_symlink(entry.path(), ignored) == folder)
            return true;
    }
    return false;
}

std::string levels_of(const std::string& block, int class_index, int slot)
{
    std::string levels;
    for (int stage = 0; stage < 4; ++stage)
        levels += "-BEMG"[static_cast<int>(block[cell(class_index, stage, slot)])];
    return levels;
}

TEST_F(CommandLineTest, UsageAndVersion)
{
    ProgramRun help = run_command({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, USAGE);
    EXPECT_EQ(run_command({"-h"}).out, help.out);
    ProgramRun version = run_command({"--version"});
    EXPECT_EQ(version.out, "skilltab 1.2.0\n");
    EXPECT_EQ(version.status, 0);
    // Anything else that is no command, the wrong count of names or an empty
    // name is a usage error: what is wrong, then the hint.
    const std::vector<std::pair<std::vector<std::string>, std::string>> wrong = {
        {{"--help", "x"}, "--help takes nothing after it"},
        {{"-h", "x"}, "-h takes nothing after it"},
        {{"--version", "x"}, "--version takes nothing after it"},
        {{"Show"}, "unknown command: Show"},
        {{"shwo"}, "unknown command: shwo"},
        {{"-"}, "unknown command: -"},
        {{"-x"}, "unknown command: -x"},
        {{"--bogus", "a"}, "unknown command: --bogus"},
        {{""}, "unknown command: "},
        {{"\x1b]0;x\a"}, "unknown command: ?]0;x?"},
        {{"show", "a", "b"}, "show takes at most one file name: [FILE]"},
        {{"convert", "a"}, "convert takes two file names: FROM TO"},
        {{"convert", "a", "b", "c"}, "convert takes two file names: FROM TO"},
        {{"apply"}, "apply takes one or more file names: FROM... [TO]"},
        {{"apply", "--dry-run"}, "apply takes one or more file names: FROM... [TO]"},
        {{"diff", "--html", "--patch", "a", "b"}, "diff takes --patch or --html, not both"},
        {{"diff", "--patch", "--html", "a", "b"}, "diff takes --patch or --html, not both"},
        {{"diff", "--patch", "--html"}, "diff takes --patch or --html, not both"},
        {{"diff", "--html", "--html", "a", "b"}, "diff takes two file names: A B"},  // an option twice: a name
        {{"diff", "a"}, "diff takes two file names: A B"},
        {{"diff", "a", "b", "c"}, "diff takes two file names: A B"},
        {{"diff", "--html", "a"}, "diff takes two file names: A B"},
        {{"show", "--html", "a", "b"}, "show takes at most one file name: [FILE]"},
        {{"edit", "a", "b"}, "edit takes at most one file name: [FILE]"},
        {{"edit", ""}, "an empty file name"},
        {{"show", ""}, "an empty file name"},
        {{"convert", "mm7.exe", ""}, "an empty file name"},
        {{"apply", "", "mm7.exe"}, "an empty file name"},
        {{"diff", "mm7.exe", ""}, "an empty file name"},
    };
    put("mm7.exe", GAME);
    for (const auto& [words, first_line] : wrong) {
        ProgramRun result = run_command(words);
        EXPECT_EQ(result.status, 2) << words[0];
        EXPECT_EQ(result.out, "") << words[0];
        EXPECT_EQ(result.err, "skilltab: " + first_line + "\nTry 'skilltab --help' for more information.\n")
            << words[0];
    }
    EXPECT_EQ(get("mm7.exe"), GAME);
    std::remove(path("mm7.exe").c_str());
    EXPECT_EQ(files(), std::set<std::string>{});
}

TEST_F(CommandLineTest, ApplyChangesOnlyTheCellsItNames)
{
    // Knight's Staff changes; the Druid's Staff and Slot 27 are named with
    // what they hold already, and count for nothing; Slot 28 changes.
    const std::string patch = "Skill Knight Druid\nStaff GGGG " + levels_of(BLOCK, 7, 0) + "\nSlot 28 EEEE "
                              + levels_of(BLOCK, 7, 28) + "\nSlot 27 " + levels_of(BLOCK, 0, 27) + " "
                              + levels_of(BLOCK, 7, 27) + "\n";
    const std::string patched = with_entry(with_entry(BLOCK, 0, 0, "GGGG"), 0, 28, "EEEE");
    put("patch.txt", patch);
    struct ApplyCase {
        const char* target;
        std::vector<std::string> words;
        std::string before, after;
    };
    const ApplyCase cases[] = {
        {"mm7.exe", {"apply", "patch.txt"}, GAME, as_string(make_stand_in_game(
                                                      std::vector<unsigned char>(patched.begin(), patched.end())))},
        {"kept.blk", {"apply", "patch.txt", "kept.blk"}, BLOCK, patched},
        {"notes.blk", {"apply", "patch.txt", "notes.blk"}, BLOCK + "a modder's notes\n", patched + "a modder's notes\n"},
        {"Game.EXE", {"apply", "patch.txt", "Game.EXE"}, GAME, as_string(make_stand_in_game(
                                                               std::vector<unsigned char>(patched.begin(), patched.end())))},
    };
    for (const ApplyCase& c : cases) {
        put(c.target, c.before);
        ProgramRun result = run_command(c.words);
        EXPECT_EQ(result.out, "Changed entries: 2\n") << c.target;
        EXPECT_EQ(result.err, "") << c.target;
        EXPECT_EQ(result.status, 0);
        EXPECT_TRUE(get(c.target) == c.after) << c.target << " is not patched as it should be";
        // Applied again, nothing changes, and nothing is written.
        const auto before = snapshot();
        result = run_command(c.words);
        EXPECT_EQ(result.out, "Changed entries: 0\n") << c.target;
        EXPECT_EQ(snapshot(), before) << c.target;
        std::remove(path(c.target).c_str());
    }
}

TEST_F(CommandLineTest, PatchesAreMadeSharedAndCombined)
{
    // The Knight's Staff and Sword in a game, changed by mods that leave
    // every other level as it is.
    put("mm7.exe", GAME);
    put("whole.blk", BLOCK);
    const std::string staff = levels_of(BLOCK, 0, 0), sword = levels_of(BLOCK, 0, 1);
    const std::string light = staff.substr(0, 2) + (staff[2] == 'G' ? 'M' : 'G') + staff[3];
    const std::string modded = with_entry(with_entry(BLOCK, 0, 0, light.c_str()), 0, 1, "EEEE");
    put("modded.blk", modded);
    put("light.txt", "Skill Knight\nStaff .." + light.substr(2, 1) + ".\n");
    put("sword.txt", "Skill Knight Monk\nSword EEEE ....\n");
    put("sword-again.txt", "Skill Knight\nSword E.E.\n");
    put("other-sword.txt", "Skill Knight\nSword .M..\n");
    put("monk.txt", "Skill Monk\nStaff GGGG\n");
    const std::string game_modded = as_string(make_stand_in_game(std::vector<unsigned char>(modded.begin(), modded.end())));
    const std::string sword_changes = sword == "EEEE" ? "" : "Sword\tKnight\t" + sword + "\tEEEE\n";
    struct PatchCase {
        const char* what;
        std::vector<std::string> words;
        std::string out, err;
        int status;
        std::string game;  // what mm7.exe holds afterwards
    };
    const PatchCase cases[] = {
        {"a patch names only what changed", {"diff", "--patch", "whole.blk", "modded.blk"},
         HEAD + "Skill         Knight\nStaff         .." + light.substr(2, 1) + ".\n"
             + (sword == "EEEE" ? "" : "Sword         " + std::string(sword[0] == 'E' ? "." : "E") + (sword[1] == 'E' ? "." : "E")
                                           + (sword[2] == 'E' ? "." : "E") + (sword[3] == 'E' ? "." : "E") + "\n"),
         "", 1, GAME},
        {"the same twice is a patch that changes nothing", {"diff", "--patch", "whole.blk", "mm7.exe"},
         HEAD + "Skill         Knight   Thief    Monk     Paladin  Archer   Ranger   Cleric   Druid    Sorcerer\n", "", 0,
         GAME},
        {"no class in common", {"diff", "--patch", "light.txt", "monk.txt"}, "",
         "skilltab: light.txt and monk.txt name no class in common\n", 0, GAME},
        {"a patch of one entry is a difference", {"diff", "--patch", "light.txt", "whole.blk"},
         HEAD + "Skill         Knight\nStaff         .." + staff.substr(2, 1) + ".\n", "", 1, GAME},
        {". is read and written back", {"show", "light.txt"}, HEAD + "Skill         Knight\nStaff         .." + light.substr(2, 1) + ".\n",
         "", 0, GAME},
        {"diff shows . where a table sets nothing", {"diff", "light.txt", "whole.blk"},
         light == staff ? "" : "Staff\tKnight\t.." + light.substr(2, 1) + ".\t" + staff + "\n", "", light == staff ? 0 : 1,
         GAME},
        {"a patch is no skill block", {"convert", "light.txt", "x.blk"}, "",
         "skilltab: x.blk: a skill block file needs a complete table\n", 1, GAME},
        {"a dry run tells and changes nothing", {"apply", "--dry-run", "light.txt", "sword.txt", "mm7.exe"},
         (light == staff ? "" : "Staff\tKnight\t" + staff + "\t" + light + "\n") + sword_changes
             + "Would change entries: " + std::to_string((light != staff) + (sword != "EEEE")) + "\n",
         "", 0, GAME},
        {"two patches that set a level differently", {"apply", "sword.txt", "light.txt", "other-sword.txt", "mm7.exe"}, "",
         "skilltab: sword.txt and other-sword.txt set Sword Knight differently: EEEE and .M..\n", 1, GAME},
        {"a refusal of one patch is the whole run's", {"apply", "light.txt", "missing.txt", "mm7.exe"}, "",
         "skilltab: missing.txt: cannot open: No such file or directory\n", 1, GAME},
        {"three patches at once, the same level set alike", {"apply", "light.txt", "sword.txt", "sword-again.txt", "mm7.exe"},
         "Changed entries: " + std::to_string((light != staff) + (sword != "EEEE")) + "\n", "", 0, game_modded},
    };
    for (const PatchCase& c : cases) {
        put("mm7.exe", GAME);
        const auto before = snapshot();
        ProgramRun result = run_command(c.words);
        EXPECT_EQ(result.out, c.out) << c.what;
        EXPECT_EQ(result.err, c.err) << c.what;
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_TRUE(get("mm7.exe") == c.game) << c.what;
        if (c.game == GAME) {
            EXPECT_EQ(snapshot(), before) << c.what;  // every file as it was: bytes, inode, time
        }
    }
    // The patch of a difference, applied to the first, gives the second.
    put("mod.txt", run_command({"diff", "--patch", "whole.blk", "modded.blk"}).out);
    put("game.exe", GAME);
    ProgramRun applied = run_command({"apply", "mod.txt", "game.exe"});
    EXPECT_EQ(applied.status, 0) << applied.err << get("mod.txt");
    EXPECT_TRUE(get("game.exe") == game_modded);
    EXPECT_EQ(run_command({"diff", "game.exe", "modded.blk"}).status, 0);
    // A dry run refuses what apply refuses before it writes, in its words: a
    // block file marked read-only, a folder that takes no new file (for the
    // game's copy, or a block file's), as an ordinary user (root may write anything).
    if (!testing_windows()) {
        put("kept.blk", BLOCK);
        put("mm7.exe", GAME);  // which light.txt changes
        for (const char* refused : {"read-only", "closed folder game", "closed folder block"}) {
            const std::string to = std::string(refused).ends_with("game") ? "mm7.exe" : "kept.blk";
            const bool closed = std::string(refused).starts_with("closed");
            program_wrapper = as_ordinary_user();
            chmod(path("kept.blk").c_str(), closed ? 0666 : 0444);
            if (closed)
                chmod(work_dir.c_str(), 0555);
            ProgramRun dry = run_command({"apply", "--dry-run", "light.txt", to});
            ProgramRun written = run_command({"apply", "light.txt", to});
            program_wrapper.clear();
            chmod(work_dir.c_str(), 0777);
            EXPECT_EQ(dry.err, "skilltab: " + to + ": cannot open: Permission denied\n") << refused;
            EXPECT_EQ(dry.err, written.err) << refused;
            EXPECT_EQ(dry.out, "") << refused;
            EXPECT_EQ(dry.status, 1) << refused;
        }
    }
}

TEST_F(CommandLineTest, CsvIsReadAsSpreadsheetsSaveIt)
{
    // Each CSV shown as a text, or refused; the rows a text of the same table shows.
    const std::string KNIGHT_MONK = HEAD + "Skill         Knight   Monk\n";
    struct CsvCase {
        const char* what;
        std::string csv, out, err;
    };
    const CsvCase cases[] = {
        {"comma", "Skill,Knight,Monk\nStaff,EMGG,bbbb\n", KNIGHT_MONK + "Staff         EMGG     BBBB\n", ""},
        {"semicolon, CR LF, a byte-order mark", "\xEF\xBB\xBFSkill;Knight;Monk\r\nStaff;EMGG;BBBB\r\n",
         KNIGHT_MONK + "Staff         EMGG     BBBB\n", ""},
        {"tab, spaces around fields", "Skill\tKnight\tMonk\nStaff \t EMGG \t BBBB\n",
         KNIGHT_MONK + "Staff         EMGG     BBBB\n", ""},
        {"blank lines and comments, before the header too", "# mod\n,,,\n  ;\nSkill,Knight,Monk\n,,\n#x,y\nStaff,EMGG,BBBB\n",
         KNIGHT_MONK + "Staff         EMGG     BBBB\n", ""},
        {"quotes: the separator within, a doubled quote, spaces kept within", "\"Skill\",\"Knight\",Monk\n\"Fire  magic \",\"E,MG\",\"B\"\"B\"\n", "",
         "skilltab: x.csv:2: not four levels: E,MG\n"},
        {"a quoted name with spaces", "Skill,Knight,Monk\n\" fire   magic \",\"EMGG\",BBBB\n",
         KNIGHT_MONK + "Fire Magic    EMGG     BBBB\n", ""},
        {"a short row and an empty field: entries not set", "Skill,Knight,Monk,Thief\nStaff,,EMGG\nSword\n",
         HEAD + "Skill         Knight   Thief    Monk\nStaff         ....     ....     EMGG\nSword         ....     ....     ....\n", ""},
        {"empty fields after the last class", "Skill,Knight,,\nStaff,EMGG,,\n", HEAD + "Skill         Knight\nStaff         EMGG\n", ""},
        {"a field after the last class", "Skill,Knight\nStaff,EMGG,x\n", "", "skilltab: x.csv:2: too many fields\n"},
        {"an empty field between classes", "Skill,Knight,,Monk\n", "", "skilltab: x.csv:1: an empty field in the header\n"},
        {"no separator in the header", "\nSkill Knight\n", "", "skilltab: x.csv:2: no field separator in the header\n"},
        {"a line end in quotes: the row's first line named", "Skill,Knight\n\"Sta\nff\",EMGG\n", "",
         "skilltab: x.csv:2: unknown skill: Sta?ff\n"},
        {"a quote not closed", "Skill,Knight\nStaff,EMGG\nSword,\"EMGG\n\n", "", "skilltab: x.csv:3: a quote is not closed\n"},
        {"# only at a line's start is a comment", "Skill,Knight\nStaff,#MGG\n", "", "skilltab: x.csv:2: not four levels: #MGG\n"},
        {"a NUL byte", std::string("Skill,Knight\nStaff,EM\0G\n", 23), "", "skilltab: x.csv:2: a NUL byte\n"},
        // What a spreadsheet's "Unicode text" saves, and an old Mac's line ends, told as such.
        {"UTF-16", std::string("\xFF\xFES\0k\0i\0l\0l\0,\0K\0\n\0", 18), "",
         "skilltab: x.csv:1: the file is UTF-16; save it as UTF-8\n"},
        {"UTF-16, big-endian", std::string("\xFE\xFF\0S\0k", 6), "", "skilltab: x.csv:1: the file is UTF-16; save it as UTF-8\n"},
        {"lines that end in CR alone", "Skill,Knight\r\"Sta\rff\",EMGG\r", "",
         "skilltab: x.csv:1: lines end in CR alone; save the file with LF or CR LF line ends\n"},
        {"a CR in quotes on the first line", "\"Sk\rill\",Knight\n", "", "skilltab: x.csv:1: the header must begin with Skill\n"},
    };
    for (const CsvCase& c : cases) {
        put("x.csv", c.csv);
        ProgramRun result = run_command({"show", "x.csv"});
        EXPECT_EQ(result.out, c.out) << c.what;
        EXPECT_EQ(result.err, c.err) << c.what;
        EXPECT_EQ(result.status, c.err.empty() ? 0 : 1) << c.what;
    }
    // Written as a spreadsheet keeps it: comma-separated, an entry not set empty.
    put("patch.txt", "Skill Monk Knight\nStaff GGGG ..E.\nSword .... ----\n");
    ProgramRun converted = run_command({"convert", "patch.txt", "patch.csv"});
    EXPECT_EQ(converted.status, 0) << converted.err;
    EXPECT_EQ(get("patch.csv"), "Skill,Knight,Monk\nStaff,..E.,GGGG\nSword,----,\n");
    EXPECT_EQ(run_command({"show", "patch.csv"}).out, run_command({"show", "patch.txt"}).out);
    put("mm7.exe", GAME);
    EXPECT_EQ(run_command({"apply", "patch.txt", "patch.csv"}).err,
              "skilltab: patch.csv: apply writes only a game executable or a skill block file\n");
    EXPECT_EQ(run_command({"edit", "patch.csv"}).err, "skilltab: patch.csv: edit a text in your editor, then apply it\n");
    put("game.exe", GAME);
    EXPECT_EQ(run_command({"apply", "patch.csv"}).out, run_command({"apply", "patch.txt", "game.exe"}).out);
    EXPECT_TRUE(get("mm7.exe") == get("game.exe"));
}

TEST_F(CommandLineTest, DiffListsTheEntriesThatDiffer)
{
    put("mm7.exe", GAME);
    const std::string changed = with_entry(with_entry(BLOCK, 8, 36, "GGGG"), 0, 21, "GGGG");
    put("changed.blk", with_entry(changed, 2, 21, "BBBB"));
    put("patch.txt", "Skill Sorcerer\nLearning GGGG\nStaff ----\n");
    put("long.exe", GAME + "x");
    put("shorter.exe", GAME.substr(0, GAME.size() - 1));
    struct DiffCase {
        std::vector<std::string> words;
        std::string out;
        int status;
        std::string err = "";
    };
    const std::string UNKNOWN_LENGTH = ": not a game executable that this program knows: it is not 1069056 bytes long\n";
    const std::string identify = levels_of(BLOCK, 0, 21), monk = levels_of(BLOCK, 2, 21);
    const std::string learning = levels_of(BLOCK, 8, 36), staff = levels_of(BLOCK, 8, 0);
    const DiffCase cases[] = {
        {{"diff", "mm7.exe", "mm7.exe"}, "", 0},
        // Slot order, then the editor's class order.
        {{"diff", "mm7.exe", "changed.blk"},
         "Identify Item\tKnight\t" + identify + "\tGGGG\n" + "Identify Item\tMonk\t" + monk + "\tBBBB\n"
             + "Learning\tSorcerer\t" + learning + "\tGGGG\n",
         1},
        // Only the cells that both name.
        {{"diff", "patch.txt", "changed.blk"}, staff == "----" ? "" : "Staff\tSorcerer\t----\t" + staff + "\n",
         staff == "----" ? 0 : 1},
        {{"diff", "mm7.exe", "missing.blk"}, "", 2, "skilltab: missing.blk: cannot open: No such file or directory\n"},
        // A game of another length is trouble, not a difference.
        {{"diff", "long.exe", "mm7.exe"}, "", 2, "skilltab: long.exe" + UNKNOWN_LENGTH},
        {{"diff", "--html", "mm7.exe", "shorter.exe"}, "", 2, "skilltab: shorter.exe" + UNKNOWN_LENGTH},
    };
    for (const DiffCase& c : cases) {
        ProgramRun result = run_command(c.words);
        EXPECT_EQ(result.out, c.out) << c.words[2];
        EXPECT_EQ(result.status, c.status) << c.words[2];
        EXPECT_EQ(result.err, c.err) << c.words[2];
    }
    EXPECT_EQ(run_command({"diff", "mm7.exe", "missing.blk"}).err,
              "skilltab: missing.blk: cannot open: No such file or directory\n");
}

TEST_F(CommandLineTest, EveryRefusalLeavesEveryFileAsItWas)
{
    put("mm7.exe", GAME);
    put("table.txt", "Skill Knight\nStaff GGGG\n");
    put("whole.blk", BLOCK);
    put("short.exe", GAME.substr(0, 1000));
    put("long.exe", GAME + "x");
    put("shorter.exe", GAME.substr(0, GAME.size() - 1));
    put("inside.exe", GAME.substr(0, BLOCK_OFFSET + 10));
    put("bad.txt", "Skill Knight\nStaff GG\n");
    put("escape.txt", "Skill Knight\n\x1b]52;c;ZWNobyBwd25lZA==\a\x1b[2JStaff GGGG\n");
    put("invalid.blk", BLOCK.substr(0, 1000) + '\x05' + BLOCK.substr(1001));
    put("invalid.exe", GAME.substr(0, BLOCK_OFFSET + 10) + '\xff' + GAME.substr(BLOCK_OFFSET + 11));
    std::string LONG_NAME;
    for (int i = 0; i < 700; ++i)
        LONG_NAME += "./";
    LONG_NAME += "missing.txt";
    std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"convert", "whole.blk", "x.exe"}, "skilltab: x.exe: convert writes no game executable: use apply"},
        {{"convert", "whole.blk", "MM7_NEW.EXE"}, "skilltab: MM7_NEW.EXE: convert writes no game executable: use apply"},
        {{"convert", "table.txt", "x.blk"}, "skilltab: x.blk: a skill block file needs a complete table"},
        {{"convert", "bad.txt", "x.blk"}, "skilltab: bad.txt:2: not four levels: GG"},
        {{"convert", "missing.blk", "x.txt"}, "skilltab: missing.blk: cannot open: No such file or directory"},
        {{"apply", "table.txt", "other.txt"}, "skilltab: other.txt: apply writes only a game executable or a skill block file"},
        {{"apply", "table.txt", "mm7_new.exe"}, "skilltab: mm7_new.exe: is kept for the copy of the game that apply makes"},
        {{"apply", "table.txt", "missing.blk"}, "skilltab: missing.blk: cannot open: No such file or directory"},
        {{"apply", "bad.txt"}, "skilltab: bad.txt:2: not four levels: GG"},
        {{"apply", "table.txt", "short.exe"}, "skilltab: short.exe: not a game executable: it ends at byte 1000"},
        {{"apply", "table.txt", "long.exe"},
         "skilltab: long.exe: not a game executable that this program knows: it is not 1069056 bytes long"},
        {{"show", "missing.exe"}, "skilltab: missing.exe: cannot open: No such file or directory"},
        {{"convert", "whole.blk", "no/such/folder.txt"},
         "skilltab: no/such/folder.txt: cannot open: No such file or directory"},
        {{"convert", "invalid.blk", "x.txt"}, "skilltab: invalid.blk: skill block contains invalid data"},
        {{"convert", "mm7.exe", ".exe"}, "skilltab: .exe: convert writes no game executable: use apply"},
        {{"convert", "mm7.exe", ".EXE"}, "skilltab: .EXE: convert writes no game executable: use apply"},
        {{"apply", "table.txt", ".txt"}, "skilltab: .txt: apply writes only a game executable or a skill block file"},
        // However long the name, the message is whole.
        {{"show", LONG_NAME},
         "skilltab: " + LONG_NAME + ": cannot open: " + platform_text("No such file or directory", "File name too long")},
        {{"apply", "table.txt", "invalid.exe"}, "skilltab: invalid.exe: skill block contains invalid data"},
        // edit refuses as apply does, before any editor runs.
        {{"edit", "table.txt"}, "skilltab: table.txt: edit a text in your editor, then apply it"},
        {{"edit", "mm7_new.exe"}, "skilltab: mm7_new.exe: is kept for the copy of the game that apply makes"},
        {{"edit", "invalid.exe"}, "skilltab: invalid.exe: skill block contains invalid data"},
        // A game of a length this program does not know is no table to show.
        {{"show", "long.exe"}, "skilltab: long.exe: not a game executable that this program knows: it is not 1069056 bytes long"},
        {{"show", "shorter.exe"},
         "skilltab: shorter.exe: not a game executable that this program knows: it is not 1069056 bytes long"},
        // A game that ends inside its block: the length tells first.
        {{"show", "inside.exe"}, "skilltab: inside.exe: not a game executable that this program knows: it is not 1069056 bytes long"},
        // What a file holds never drives the terminal: control characters show as "?".
        {{"apply", "escape.txt"}, "skilltab: escape.txt:2: unknown skill: ?]52;c;ZWNobyBwd25lZA==??[2JStaff"},
    };
    setenv("EDITOR", "false", 1);  // were an editor to run, it would fail at once
    for (int round = 0; round < 2; ++round) {
        if (round == 1) {
            if (testing_windows())
                break;
            // Other names of the game, and of a copy left behind, are the game;
            // a link is taken where it leads (a failed I would remove the copy).
            put("mm7_new.exe", "a copy left behind");
            link(path("mm7.exe").c_str(), path("game.blk").c_str());
            link(path("mm7_new.exe").c_str(), path("copy.blk").c_str());
            symlink("mm7.exe", path("link.blk").c_str());
            symlink("loop.blk", path("loop.blk").c_str());
            mkfifo((base_dir + "/fifo").c_str(), 0644);  // beside the folder, whose files are read for its snapshot
            int socket_file = socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un socket_name = {};
            socket_name.sun_family = AF_UNIX;
            std::snprintf(socket_name.sun_path, sizeof socket_name.sun_path, "%s", (base_dir + "/socket").c_str());
            ASSERT_EQ(bind(socket_file, reinterpret_cast<sockaddr*>(&socket_name), sizeof socket_name), 0);
            cases = {
                {{"apply", "table.txt", "loop.blk"}, "skilltab: loop.blk: cannot open: Too many levels of symbolic links"},
                {{"convert", "whole.blk", "loop.blk"}, "skilltab: loop.blk: cannot open: Too many levels of symbolic links"},
                {{"show", "loop.blk"}, "skilltab: loop.blk: cannot open: Too many levels of symbolic links"},
                {{"convert", "whole.blk", "game.blk"}, "skilltab: game.blk: is the same file as a game executable"},
                {{"edit", "game.blk"}, "skilltab: game.blk: is the same file as a game executable"},
                {{"apply", "table.txt", "copy.blk"}, "skilltab: copy.blk: is the same file as a game executable"},
                {{"convert", "whole.blk", "link.blk"}, "skilltab: link.blk: convert writes no game executable: use apply"},
                // A FIFO, a device or a socket is no file of a table, and nothing blocks on it.
                {{"show", base_dir + "/fifo"}, "skilltab: " + base_dir + "/fifo: not a regular file"},
                {{"apply", "table.txt", "/dev/null"}, "skilltab: /dev/null: not a regular file"},
                {{"convert", "whole.blk", base_dir + "/socket"}, "skilltab: " + base_dir + "/socket: not a regular file"},
                {{"edit", base_dir + "/fifo"}, "skilltab: " + base_dir + "/fifo: not a regular file"},
                // Nor does a file's name, however it was made.
                {{"show", "a\x1b[2Jb\x7f.txt"}, "skilltab: a?[2Jb?.txt: cannot open: No such file or directory"},
                {{"show", "x\u202Ey\u2066\u0085.txt"}, "skilltab: x?y??.txt: cannot open: No such file or directory"},
            };
        }
        for (const auto& [words, error] : cases) {
            const auto before = snapshot();
            ProgramRun result = run_command(words);
            EXPECT_EQ(result.err, error + "\n") << words[1] << " " << words.back();
            EXPECT_EQ(result.out, "");
            EXPECT_EQ(result.status, 1) << words.back();
            EXPECT_EQ(snapshot(), before) << words.back();
        }
    }
    unsetenv("EDITOR");
}

TEST_F(CommandLineTest, FailuresOnTheWayAreTold)
{
    // The second fsync is the folder's, after the move; an immutable target
    // cannot be replaced. Where the file is replaced, the count is told too,
    // or that it could not be.
    struct FailureCase {
        std::string wrapper, set_up;
        long size_limit;
        std::string stdout_to, out, err;
        bool replaced;
        std::string patch = "Skill Knight\nStaff GGGG\n";
    };
    const bool traced = !testing_windows() && system("strace -V >/dev/null 2>&1") == 0;
    const FailureCase cases[] = {
        {"env ASAN_OPTIONS=detect_leaks=0 strace -qq -o /dev/null -e inject=fsync:error=EIO:when=2", "", -1, "",
         "Changed entries: 1\n", "skilltab: kept.blk: is replaced, but its folder cannot be synced: Input/output error\n",
         true},
        {"", "chattr +i ", -1, "", "", "skilltab: kept.blk: cannot replace: Operation not permitted\n", false},
        {"", "", 1000, "", "", "skilltab: kept.blk: cannot write: File too large\n", false},
        {"", "", -1, "/dev/full", "",
         "skilltab: kept.blk: is replaced, but standard output: cannot write: No space left on device\n", true},
        {"", "", -1, "/dev/full", "", "skilltab: standard output: cannot write: No space left on device\n", false,
         "Skill Knight\nStaff ....\n"},
        {"env ASAN_OPTIONS=detect_leaks=0 strace -qq -o /dev/null -e inject=unlink:error=EBUSY", "", 1000, "", "",
         "skilltab: kept.blk: cannot write: File too large\n"
         "skilltab: kept.blk.XXXXXX.tmp: cannot remove: Device or resource busy\n",
         false},
    };
    // The one new file left behind, under the fresh name it was given.
    const std::regex fresh_name("kept\\.blk\\.[0-9a-f]{6}\\.tmp");
    auto masked = [&](const std::string& text) { return std::regex_replace(text, fresh_name, "kept.blk.XXXXXX.tmp"); };
    for (const FailureCase& c : cases) {
        if ((!c.wrapper.empty() || !c.set_up.empty()) && !traced)
            continue;  // strace and chattr make these failures, on Linux only
        put("kept.blk", BLOCK);
        put("patch.txt", c.patch);
        if (!c.set_up.empty() && system((c.set_up + path("kept.blk") + " 2>/dev/null").c_str()) != 0)
            continue;  // a file system that cannot make a file immutable
        program_wrapper = c.wrapper;
        file_size_limit = c.size_limit;
        stdout_path = c.stdout_to;
        ProgramRun result = run_command({"apply", "patch.txt", "kept.blk"});
        program_wrapper.clear();
        file_size_limit = -1;
        stdout_path.clear();
        system(("chattr -i " + path("kept.blk") + " 2>/dev/null").c_str());
        if (testing_windows() && c.size_limit >= 0) {
            // Wine's own text for a failure made on the Linux side
            EXPECT_TRUE(result.err.starts_with("skilltab: kept.blk: cannot write: ")) << result.err;
        } else {
            EXPECT_EQ(masked(result.err), c.err);
        }
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(get("kept.blk"), c.replaced ? with_entry(BLOCK, 0, 0, "GGGG") : BLOCK) << c.err;
        std::set<std::string> expected_files = {"kept.blk", "patch.txt"};
        if (c.err.find("cannot remove") != std::string::npos)
            expected_files.insert("kept.blk.XXXXXX.tmp");
        std::set<std::string> left;
        for (const std::string& name : files()) {
            left.insert(masked(name));
            if (masked(name) != name)
                std::remove(path(name).c_str());
        }
        EXPECT_EQ(left, expected_files);
    }
}

// A read that fails while the game's copy reads the block as it is now is
// told as a failed read, never as invalid data: the trace of a clean run
// finds that read (the 15th of 64 KiB on the game's last opening), and a
// second run fails it.
TEST_F(CommandLineTest, AFailedReadOfTheGamesBlockIsToldAsOne)
{
    if (testing_windows() || system("strace -V >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "strace makes the failure, on Linux only";
    put("patch.txt", "Skill Knight\nStaff " + std::string(levels_of(BLOCK, 0, 0) == "GGGG" ? "----" : "GGGG") + "\n");
    put("mm7.exe", GAME);
    const std::string trace = base_dir + "/trace";
    program_wrapper = "env ASAN_OPTIONS=detect_leaks=0 strace -qq -e trace=openat,read -o " + trace;
    ASSERT_EQ(run_command({"apply", "patch.txt", "mm7.exe"}).status, 0);
    std::istringstream lines(read_whole_file(trace));
    int reads = 0, block_read = 0, game_reads = -1;
    std::string game_descriptor;
    const std::regex game_opened("openat\\(AT_FDCWD, \"mm7\\.exe\".*= ([0-9]+)$");
    for (std::string line; std::getline(lines, line);) {
        std::smatch found;
        if (std::regex_search(line, found, game_opened)) {
            game_descriptor = found[1].str();
            game_reads = 0;
        } else if (line.starts_with("read(")) {
            ++reads;
            if (game_reads >= 0 && line.starts_with("read(" + game_descriptor + ",") && ++game_reads == 15)
                block_read = reads;
        }
    }
    ASSERT_GT(block_read, 0);
    put("mm7.exe", GAME);
    program_wrapper = "env ASAN_OPTIONS=detect_leaks=0 strace -qq -o /dev/null -e inject=read:error=EIO:when="
                      + std::to_string(block_read);
    ProgramRun result = run_command({"apply", "patch.txt", "mm7.exe"});
    program_wrapper.clear();
    EXPECT_EQ(result.err, "skilltab: mm7.exe: cannot read: Input/output error\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(get("mm7.exe") == GAME);
    EXPECT_EQ(files(), (std::set<std::string>{"mm7.exe", "patch.txt"}));
}

TEST_F(CommandLineTest, TwoAppliesAtOnceKeepBothChanges)
{
    // Each run changes an entry of its own; whichever goes second must change
    // the table as the first left it.
    put("knight.txt", "Skill Knight\nStaff GGGG\n");
    put("sorcerer.txt", "Skill Sorcerer\nLearning GGGG\n");
    ASSERT_NE(levels_of(BLOCK, 0, 0), "GGGG");
    ASSERT_NE(levels_of(BLOCK, 8, 36), "GGGG");
    const std::string both = with_entry(with_entry(BLOCK, 0, 0, "GGGG"), 8, 36, "GGGG");
    struct Target {
        const char* name;
        std::string before, after;
    };
    // A game's copy keeps two runs apart; so does the folder's lock, or on Windows kept.blk.lock.
    std::vector<Target> targets = {{"mm7.exe", GAME, as_string(make_stand_in_game(
                                                         std::vector<unsigned char>(both.begin(), both.end())))},
                                   {"kept.blk", BLOCK, both}};
    for (const Target& target : targets) {
        for (int round = 0; round < 40; ++round) {
            put(target.name, target.before);
            arguments = {"apply", "knight.txt", target.name};
            int first = start("");
            arguments = {"apply", "sorcerer.txt", target.name};
            int second = start("");
            ProgramRun first_run = finish(first), second_run = finish(second);
            arguments.clear();
            for (const ProgramRun& run : {first_run, second_run}) {
                ASSERT_EQ(run.err, "") << target.name << " round " << round;
                ASSERT_EQ(run.out, "Changed entries: 1\n") << target.name << " round " << round;
                ASSERT_EQ(run.status, 0);
            }
            ASSERT_TRUE(get(target.name) == target.after) << target.name << " round " << round << " lost a change";
            ASSERT_EQ(files(), (std::set<std::string>{"knight.txt", "sorcerer.txt", target.name}));
        }
        std::remove(path(target.name).c_str());
    }
}

TEST_F(CommandLineTest, WhatChangedWhileApplyWaitedIsWhatItChanges)
{
    if (testing_windows())
        GTEST_SKIP() << "a held folder keeps runs apart on Linux";
    // Another run holds the folder; once apply waits for it, that run leaves
    // TO changed, and apply must work on TO as it is then.
    put("knight.txt", "Skill Knight\nStaff GGGG\n");
    const std::string changed = with_entry(BLOCK, 0, 0, "GGGG");
    const std::string invalid = BLOCK.substr(0, 5) + '\x07' + BLOCK.substr(6);
    auto game_of = [](const std::string& block) {
        return as_string(make_stand_in_game(std::vector<unsigned char>(block.begin(), block.end())));
    };
    struct MeanwhileCase {
        const char* target;
        std::string before, meanwhile, out, err;
        int status;
    };
    const MeanwhileCase cases[] = {
        {"mm7.exe", GAME, game_of(changed), "Changed entries: 0\n", "", 0},
        {"mm7.exe", GAME, game_of(invalid), "", "skilltab: mm7.exe: skill block contains invalid data\n", 1},
        {"kept.blk", BLOCK, invalid, "", "skilltab: kept.blk: skill block contains invalid data\n", 1},
    };
    for (const MeanwhileCase& c : cases) {
        put(c.target, c.before);
        int folder = open(work_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);  // not the program's
        ASSERT_EQ(flock(folder, LOCK_EX), 0);
        arguments = {"apply", "knight.txt", c.target};
        int process = start("");
        // apply has read TO once it opens the folder to lock it.
        auto began = std::chrono::steady_clock::now();
        while (!holds_open(process, work_dir) && std::chrono::steady_clock::now() - began < std::chrono::seconds(5))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        put(c.target, c.meanwhile);
        close(folder);
        ProgramRun result = finish(process);
        arguments.clear();
        EXPECT_EQ(result.out, c.out) << c.target;
        EXPECT_EQ(result.err, c.err) << c.target;
        EXPECT_EQ(result.status, c.status) << c.target;
        EXPECT_TRUE(get(c.target) == c.meanwhile) << c.target;
        EXPECT_EQ(files(), (std::set<std::string>{"knight.txt", c.target}));
        std::remove(path(c.target).c_str());
    }
}

TEST_F(CommandLineTest, NamesInAnyLanguage)
{
    // From a pipe or a terminal alike; on Windows the arguments come as UTF-16.
    put("mm7.exe", GAME);
    ASSERT_EQ(run_command({"convert", "mm7.exe", "навыки.txt"}).status, 0);
    ASSERT_EQ(run_command({"convert", "навыки.txt", "Fähigkeiten.blk"}).status, 0);
    EXPECT_EQ(get("Fähigkeiten.blk"), BLOCK);
    EXPECT_EQ(run_command({"show", "x漢.txt"}).err, "skilltab: x漢.txt: cannot open: No such file or directory\n");
}

}  // namespace

TEST_F(CommandLineTest, EditWritesBackWhatTheUserChanged)
{
    // The editor is a stub that follows a script, one line a round (see
    // edit_stub.cpp); PATH stands for the text's name in the messages.
    const std::string staff = with_entry(BLOCK, 0, 0, "GGGG");
    put("staff.txt", "Skill Knight\nStaff GGGG\n");
    put("bad.txt", "Skill Knight\nStafff GGGG\n");
    put("theirs-same.blk", with_entry(BLOCK, 0, 0, "BBBB"));
    put("theirs-other.blk", with_entry(BLOCK, 1, 0, "BBBB"));
    put("theirs-equal.blk", staff);
    put("fails.txt", "9\n");
    put("escape.txt", "Skill Knight\n\x1b[2JStaff GGGG\n");
    put("sword.txt", "Swordd GGGG\n");
    const std::string LONG_NAME = "Skill Knight\n" + std::string(1200, 'S') + " GGGG\n";
    put("long.txt", LONG_NAME);
    // The user changes the Knight's Staff before promotion; another run its dark path.
    const std::string shown_staff = levels_of(BLOCK, 0, 0);
    const std::string first_level = std::string(1, shown_staff[0] == 'G' ? 'M' : 'G') + shown_staff.substr(1);
    const std::string dark_path = shown_staff.substr(0, 3) + (shown_staff[3] == 'B' ? 'E' : 'B');
    put("first-level.txt", "Skill Knight\nStaff " + first_level + "\n");
    put("theirs-dark.blk", with_entry(BLOCK, 0, 0, dark_path.c_str()));
    std::string yours;  // what the user changed of the Staff to GGGG, "." where it was G already
    for (char level : shown_staff)
        yours += level == 'G' ? '.' : 'G';
    const std::string MENDED = "# skilltab: line 2: unknown skill: Stafff\n"
                               "# Mend the text and save it, or save it unchanged to give up.\n"
                               "Skill Knight\nStafff GGGG\n";
    struct EditCase {
        std::string file, script, visual, out, err;
        int status;
        std::string left;   // what the file holds afterwards
        bool text_kept;     // whether the user's text is left in the temporary folder
        std::string seen2;  // the text of the second round, where there is one
        bool on_windows;
        std::string kept = "";   // the text kept, where it is checked
        std::string seen3 = "";  // the text of the third round, where it is checked
    };
    const EditCase cases[] = {
        {"kept.blk", "0 staff.txt -", "", "Changed entries: 1\n", "", 0, staff, false, "", true},
        {"kept.blk", "0", "", "No changes.\n", "", 0, BLOCK, false, "", false},
        {"kept.blk", "3", "", "", "skilltab: editor failed: exit status 3\n", 1, BLOCK, false, "", true},
        {"kept.blk", "143", "", "", "skilltab: editor failed: killed by signal 15\n", 1, BLOCK, false, "", false},
        // A signal that kills the editor, told as one, with no shell between to make it a status.
        {"kept.blk", "137", "", "", "skilltab: editor failed: killed by signal 9\n", 1, BLOCK, false, "", false},
        // An editor that failed after the user changed the text keeps it.
        {"kept.blk", "3 staff.txt -", "", "", "skilltab: editor failed: exit status 3; your text is in PATH\n", 1, BLOCK,
         true, "", true},
        // Ctrl-C while the editor runs is the editor's: it takes it, and the change goes on.
        {"kept.blk", "0 sleep 1000 staff.txt -", "interrupted", "Changed entries: 1\n", "", 0, staff, false, "", false},
        {"kept.blk", "0 bad.txt -\n0 staff.txt -", "", "Changed entries: 1\n", "", 0, staff, false, MENDED, true},
        {"kept.blk", "0 bad.txt -\n0", "", "", "skilltab: kept.blk: not changed; your text is in PATH\n", 1, BLOCK,
         true, MENDED, false},
        {"kept.blk", "0 bad.txt -\n4", "", "", "skilltab: editor failed: exit status 4; your text is in PATH\n", 1,
         BLOCK, true, MENDED, false},
        {"kept.blk", "0 staff.txt - theirs-same.blk kept.blk", "", "",
         "skilltab: kept.blk: Staff Knight: you set " + yours + ", it now holds BBBB\n"
         "skilltab: kept.blk: changed while you edited it; your text is in PATH\n",
         1, with_entry(BLOCK, 0, 0, "BBBB"), true, "", true,
         HEAD + "Skill         Knight\nStaff         " + yours + "\n"},
        // Another run's change of another level of the same entry is kept beside the user's.
        {"kept.blk", "0 first-level.txt - theirs-dark.blk kept.blk", "", "Changed entries: 1\n", "", 0,
         with_entry(BLOCK, 0, 0, (first_level.substr(0, 3) + dark_path[3]).c_str()), false, "", false},
        {"kept.blk", "0 staff.txt - theirs-other.blk kept.blk", "", "Changed entries: 1\n", "", 0,
         with_entry(staff, 1, 0, "BBBB"), false, "", false},
        {"kept.blk", "0 staff.txt - theirs-equal.blk kept.blk", "", "Changed entries: 0\n", "", 0, staff, false, "",
         false},
        {"kept.blk", "0 staff.txt -", "visual", "Changed entries: 1\n", "", 0, staff, false, "", true},
        {"kept.blk", "0 staff.txt -", "empty", "Changed entries: 1\n", "", 0, staff, false, "", false},
        {"mm7.exe", "0 staff.txt -", "", "Changed entries: 1\n", "", 0, as_string(make_stand_in_game(
             std::vector<unsigned char>(staff.begin(), staff.end()))), false, "", true},
        {"staff.txt", "0", "", "", "skilltab: staff.txt: edit a text in your editor, then apply it\n", 1,
         "Skill Knight\nStaff GGGG\n", false, "", false},
        // A file that cannot be replaced (made immutable): the text is kept.
        {"kept.blk", "0 staff.txt -", "immutable", "",
         "skilltab: kept.blk: cannot replace: Operation not permitted\n"
         "skilltab: kept.blk: not changed; your text is in PATH\n",
         1, BLOCK, true, "", false, HEAD + "Skill         Knight\nStaff         " + yours + "\n"},
        // On Windows an editor may be a batch file, found as the command interpreter finds it.
        {"kept.blk", "0 staff.txt -", "batch file", "Changed entries: 1\n", "", 0, staff, false, "", true},
        // A batch file run through the command interpreter gets the text's name whole, quotes and all.
        {"kept.blk", "0", "batch arguments", "No changes.\n", "", 0, BLOCK, false, "", true},
        // Saved unchanged by an editor that writes CR LF, or a byte-order mark: given up.
        {"kept.blk", "0 bad.txt -\n0 crlf -", "", "", "skilltab: kept.blk: not changed; your text is in PATH\n", 1,
         BLOCK, true, MENDED, false},
        {"kept.blk", "0 bad.txt -\n0 bom -", "", "", "skilltab: kept.blk: not changed; your text is in PATH\n", 1,
         BLOCK, true, MENDED, false},
        // A mistake in a text saved with CR LF: its line counts the user's lines alone.
        {"kept.blk", "0 bad.txt -\n0 crlf - +sword.txt -\n0", "", "",
         "skilltab: kept.blk: not changed; your text is in PATH\n", 1, BLOCK, true, MENDED, false, "",
         "# skilltab: line 2: unknown skill: Stafff\n"
         "# Mend the text and save it, or save it unchanged to give up.\n"
         "Skill Knight\r\nStafff GGGG\r\nSwordd GGGG\n"},
        // What would refuse the write refuses it before the editor starts: a
        // block file marked read-only, a folder that takes no new file.
        {"kept.blk", "0 staff.txt -", "read-only", "", "skilltab: kept.blk: cannot open: Permission denied\n", 1, BLOCK,
         false, "", false},
        {"kept.blk", "0 staff.txt -", "closed folder", "", "skilltab: kept.blk: cannot open: Permission denied\n", 1,
         BLOCK, false, "", false},
        // A text saved as UTF-16 gets no mistake lines of the program's own, which would mix encodings.
        {"kept.blk", "0 utf16 -", "", "",
         "skilltab: PATH:1: the file is UTF-16; save it as UTF-8\nskilltab: kept.blk: not changed; your text is in PATH\n", 1,
         BLOCK, true, "", false},
        // The text gone when the editor ends: told once, nothing written.
        {"kept.blk", "0 gone -", "", "", "skilltab: PATH: cannot open: No such file or directory\n", 1, BLOCK, false, "",
         true},
        // A temporary folder that is not there: nothing to edit, said before any editor runs.
        {"kept.blk", "0 staff.txt -", "no temporary folder", "", "skilltab: PATH: cannot open: No such file or directory\n", 1,
         BLOCK, false, "", false},
        // A mistake quoted at its 1000-byte cut.
        {"kept.blk", "0 long.txt -\n0", "", "", "skilltab: kept.blk: not changed; your text is in PATH\n", 1, BLOCK, true,
         "# skilltab: line 2: unknown skill: " + std::string(1000, 'S') + "...\n"
         "# Mend the text and save it, or save it unchanged to give up.\n" + LONG_NAME,
         false},
        // A text that edit cannot remove is told after the outcome, and fails the run.
        {"kept.blk", "0 staff.txt -", "unremovable", "Changed entries: 1\n",
         "skilltab: PATH: cannot remove: Device or resource busy\n", 1, staff, true, "", false},
        // A mistake quoted in the text shows a control character as "?".
        {"kept.blk", "0 escape.txt -\n0", "", "", "skilltab: kept.blk: not changed; your text is in PATH\n", 1, BLOCK,
         true,
         "# skilltab: line 2: unknown skill: ?[2JStaff\n"
         "# Mend the text and save it, or save it unchanged to give up.\n"
         "Skill Knight\n\x1b[2JStaff GGGG\n",
         false},
    };
    const std::string stub = testing_windows()
                                 ? "Z:" + std::regex_replace(std::getenv("SKILLTAB_WINDOWS")
                                                                 + std::string("/tests/windows/edit_stub.exe"),
                                                             std::regex("/"), "\\")
                                 : "'" EDIT_STUB "'";
    const std::string temporary = base_dir + "/temporary";
    mkdir(temporary.c_str(), 0700);
    setenv("TMPDIR", temporary.c_str(), 1);
    const std::regex text_name("[^ ]*skilltab-[A-Za-z0-9]{6}\\.txt");
    for (const EditCase& c : cases) {
        if (testing_windows() && !c.on_windows)
            continue;
        put(c.file, c.file == "mm7.exe" ? GAME : c.file == "kept.blk" ? BLOCK : get(c.file));
        put("script.txt", c.script + "\n");
        for (const char* round : {"seen-1.txt", "seen-2.txt", "seen-3.txt"})
            std::remove(path(round).c_str());
        if (c.visual == "immutable" && system(("chattr +i " + path(c.file) + " 2>/dev/null").c_str()) != 0)
            continue;  // a file system, or a system, with no immutable files
        if ((c.visual == "batch file" || c.visual == "batch arguments") && !testing_windows())
            continue;
        if (c.visual == "no temporary folder")
            setenv("TMPDIR", (temporary + "/missing").c_str(), 1);
        if (c.visual == "unremovable") {
            if (system("strace -V >/dev/null 2>&1") != 0)
                continue;  // strace makes the failure
            program_wrapper = "env ASAN_OPTIONS=detect_leaks=0 strace -qq -o /dev/null -e inject=unlink:error=EBUSY:when=2";  // the first is the trial change's new file
        }
        if (c.visual == "read-only" || c.visual == "closed folder") {
            program_wrapper = as_ordinary_user();  // root may write anything
            chmod(path(c.file).c_str(), c.visual == "read-only" ? 0444 : 0666);
            if (c.visual == "closed folder")
                chmod(work_dir.c_str(), 0555);
        }
        if (c.visual == "visual") {
            setenv("VISUAL", (stub + " script.txt").c_str(), 1);
            setenv("EDITOR", (stub + " fails.txt").c_str(), 1);
        } else if (c.visual == "batch arguments") {
            unsetenv("VISUAL");
            put("echoargs.cmd", "@echo %*> args.txt\r\n");
            setenv("EDITOR", "echoargs --wait", 1);
        } else if (c.visual == "batch file") {
            unsetenv("VISUAL");
            put("stub.cmd", "@" + stub + " %*\r\n");
            setenv("EDITOR", "stub script.txt", 1);
        } else {
            setenv("VISUAL", "", 1);
            if (c.visual != "empty")
                unsetenv("VISUAL");
            setenv("EDITOR", (stub + " script.txt").c_str(), 1);
        }
        ProgramRun result;
        if (c.visual == "interrupted") {
            // The program leads a process group of its own, and the whole group gets SIGINT, as from a terminal.
            program_wrapper = "setsid";
            arguments = {"edit", c.file};
            int process = start("");
            arguments.clear();
            program_wrapper.clear();
            for (int waited = 0; !exists("seen-1.txt") && waited < 5000; waited += 10)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            kill(-process, SIGINT);
            result = finish(process);
        } else {
            result = run_command({"edit", c.file});
        }
        if (c.visual == "unremovable")
            program_wrapper.clear();
        setenv("TMPDIR", temporary.c_str(), 1);
        system(("chattr -i " + path(c.file) + " 2>/dev/null").c_str());
        if (c.visual == "read-only" || c.visual == "closed folder") {
            program_wrapper.clear();
            chmod(work_dir.c_str(), 0777);
            chmod(path(c.file).c_str(), 0644);
            EXPECT_FALSE(exists("seen-1.txt")) << "an editor ran for " << c.visual;
        }
        unsetenv("VISUAL");
        unsetenv("EDITOR");
        std::string what = c.file + ": " + c.script;
        if (c.visual == "batch arguments") {
            EXPECT_TRUE(std::regex_match(get("args.txt"), std::regex("--wait \"[^\"]*skilltab-[A-Za-z0-9]{6}\\.txt\" *\r?\n")))
                << get("args.txt");
        }
        EXPECT_EQ(result.out, c.out) << what;
        EXPECT_EQ(std::regex_replace(result.err, text_name, "PATH"), c.err) << what;
        EXPECT_EQ(result.status, c.status) << what;
        EXPECT_TRUE(get(c.file) == c.left) << what;
        if (!c.seen2.empty()) {
            EXPECT_EQ(get("seen-2.txt"), c.seen2) << what;
        }
        if (!c.seen3.empty()) {
            EXPECT_EQ(get("seen-3.txt"), c.seen3) << what;
        }
        if (!testing_windows()) {
            int kept = 0;
            for (const auto& entry : std::filesystem::directory_iterator(temporary)) {
                kept += std::regex_match(entry.path().string(), text_name);
                if (!c.kept.empty()) {
                    EXPECT_EQ(read_whole_file(entry.path().string()), c.kept) << what;
                }
                std::filesystem::remove(entry.path());
            }
            EXPECT_EQ(kept, c.text_kept ? 1 : 0) << what;
        }
    }
    unsetenv("TMPDIR");
}

// The header and rows of a text, or of a page's cells as text, each as its
// words with one space between.
std::vector<std::string> words_by_row(const std::string& text)
{
    std::vector<std::string> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string row;
        for (std::string word; words >> word;)
            row += (row.empty() ? "" : " ") + word;
        if (!row.empty() && row[0] != '#')
            rows.push_back(row);
    }
    return rows;
}

// Why the pages cannot be tested here: chromium (or another tool the test
// needs) is missing, or chromium cannot start; or "".
std::string find_missing_browser(const std::string& tool)
{
    for (const std::string& program : {std::string("chromium"), tool}) {
        if (!program.empty() && system(("command -v " + program + " >/dev/null 2>&1").c_str()) != 0)
            return program + " is not installed";
    }
    int probe = 0;
    std::string started = command_output("chromium --headless --no-sandbox --disable-gpu --dump-dom about:blank", &probe);
    return probe == 0 ? "" : "chromium cannot start here: " + started.substr(0, 300);
}

TEST_F(CommandLineTest, PagesReadInABrowser)
{
    // Each page as headless Chromium parsed it: its title, and each row's
    // cells against the text of the same table.
    const std::string missing = find_missing_browser("");
    if (!missing.empty())
        GTEST_SKIP() << missing;
    put("a.blk", BLOCK);
    put("b.blk", with_entry(BLOCK, 0, 1, "GGGG"));
    put("patch.txt", "Skill Monk Knight\nSword BBBB ----\nStaff GGGG EEEE\n");
    put("thief.txt", "Skill Thief\nSword BBBB\n");
    put("light.txt", "Skill Knight\nSword ..E.\n");
    if (!testing_windows()) {
        put("a&<b>\xff.blk", BLOCK);
        put("x\u202Ey.blk", BLOCK);
        put("e\x1b[2Jf.blk", BLOCK);
    }
    const std::string ARROW = " \u2192 ";
    std::vector<std::string> table = words_by_row(run_command({"show", "a.blk"}).out);
    std::vector<std::string> changed = table;
    changed[2].replace(changed[2].find(' '), 5, " " + levels_of(BLOCK, 0, 1) + ARROW + "GGGG");
    struct PageCase {
        std::vector<std::string> words;
        int status;
        std::string title;
        std::vector<std::string> rows;
        size_t marks;
        std::string differences = "";  // what a page of differences says under its heading
        bool unset = false;            // whether the page shows a level that is not set
    };
    const std::string SAME = "Nothing differs: every entry that both files name holds the same levels.";
    const PageCase cases[] = {
        {{"show", "--html", "a.blk"}, 0, "skilltab: a.blk", table, 0},
        {{"show", "--html", "patch.txt"}, 0, "skilltab: patch.txt",
         {"Skill Knight Monk", "Staff EEEE GGGG", "Sword ---- BBBB"}, 0},
        {{"diff", "--html", "a.blk", "b.blk"}, 1, "skilltab: a.blk" + ARROW + "b.blk, 1 changed entry", changed, 1,
         "Sword, Knight: " + levels_of(BLOCK, 0, 1) + ARROW + "GGGG"},
        {{"diff", "--html", "b.blk", "patch.txt"}, 1, "skilltab: b.blk" + ARROW + "patch.txt, 4 changed entries",
         {"Skill Knight Monk", "Staff " + levels_of(BLOCK, 0, 0) + ARROW + "EEEE " + levels_of(BLOCK, 2, 0) + ARROW + "GGGG",
          "Sword GGGG" + ARROW + "---- " + levels_of(BLOCK, 2, 1) + ARROW + "BBBB"},
         4,
         "Staff, Knight: " + levels_of(BLOCK, 0, 0) + ARROW + "EEEE Staff, Monk: " + levels_of(BLOCK, 2, 0) + ARROW
             + "GGGG Sword, Knight: GGGG" + ARROW + "---- Sword, Monk: " + levels_of(BLOCK, 2, 1) + ARROW + "BBBB"},
        {{"diff", "--html", "a.blk", "a.blk"}, 0, "skilltab: a.blk" + ARROW + "a.blk, 0 changed entries", table, 0, SAME},
        {{"diff", "--html", "patch.txt", "thief.txt"}, 0, "skilltab: patch.txt" + ARROW + "thief.txt, 0 changed entries",
         {"Skill", "Sword"}, 0, "The two files name no entry in common: there is nothing to compare."},
        // A level that a patch leaves as it is, in a mark of its own.
        {{"diff", "--html", "b.blk", "light.txt"}, 1, "skilltab: b.blk" + ARROW + "light.txt, 1 changed entry",
         {"Skill Knight", "Sword GGGG" + ARROW + "..E."}, 1, "Sword, Knight: GGGG" + ARROW + "..E.", true},
        {{"show", "--html", "a&<b>\xff.blk"}, 0, "skilltab: a&amp;&lt;b&gt;\uFFFD.blk", table, 0},
        // A control character in a name shows as "?", and every name is isolated.
        {{"diff", "--html", "e\x1b[2Jf.blk", "x\u202Ey.blk"}, 0, "skilltab: e?[2Jf.blk" + ARROW + "x?y.blk, 0 changed entries",
         table, 0, SAME},
    };
    const std::regex title("<title>(.*)</title>"), row("<tr>(.*?)</tr>"), cell("<t[hd][^>]*>(.*?)</t[hd]>"),
        tag("<[^>]*>"), heading("<h1>(.*)</h1>"), bdi("<bdi>[^<]*</bdi>"),
        differences("<(?:ul class=\"differences\"|p class=\"summary\")>([^]*?)</(?:ul|p)>"),
        legend("<p class=\"legend\">(.*?)</p>");
    const std::string LEGEND = "Each entry is four levels: unpromoted, first promotion, light path, dark path.\n"
                               "Levels: - none, B Basic, E Expert, M Master, G Grandmaster\n";
    for (const PageCase& c : cases) {
        if (testing_windows() && c.words.back().find_first_of("<\x1b\xe2") != std::string::npos)
            continue;  // no Windows name holds < or >, nor a control character
        ProgramRun result = run_command(c.words);
        const std::string& what = c.title;
        EXPECT_EQ(result.status, c.status) << what;
        EXPECT_EQ(result.err, "") << what;
        put("page.html", result.out);
        int status = 0;
        std::string dom = command_output("chromium --headless --no-sandbox --disable-gpu --dump-dom 'file://"
                                             + path("page.html") + "' 2>/dev/null",
                                         &status);
        ASSERT_EQ(status, 0) << dom;
        std::smatch found;
        ASSERT_TRUE(std::regex_search(dom, found, title)) << dom;
        // The title isolates each name too, between U+2068 and U+2069.
        const std::string shown_title = found[1].str();
        EXPECT_EQ(std::regex_replace(shown_title, std::regex("\u2068|\u2069"), ""), c.title);
        for (const char* isolate : {"\u2068", "\u2069"}) {
            size_t count = 0;
            for (size_t at = 0; (at = shown_title.find(isolate, at)) != std::string::npos; ++at)
                ++count;
            EXPECT_EQ(count, c.words[0] == "diff" ? 2u : 1u) << what;
        }
        std::string cells;
        for (auto r = std::sregex_iterator(dom.begin(), dom.end(), row); r != std::sregex_iterator(); ++r) {
            std::string inside = (*r)[1].str();
            for (auto d = std::sregex_iterator(inside.begin(), inside.end(), cell); d != std::sregex_iterator(); ++d)
                cells += std::regex_replace((*d)[1].str(), tag, "") + " ";
            cells += "\n";
        }
        EXPECT_EQ(words_by_row(cells), c.rows) << what;
        size_t marks = 0;
        for (size_t at = 0; (at = dom.find("class=\"changed\"", at)) != std::string::npos; ++at)
            ++marks;
        EXPECT_EQ(marks, c.marks) << what;
        // The heading says what the title says, each name in a <bdi> of its own
        // and nothing else in one.
        ASSERT_TRUE(std::regex_search(dom, found, heading)) << dom;
        EXPECT_EQ(std::regex_replace(found[1].str(), tag, ""), c.title) << what;
        std::string inside = found[1].str();
        EXPECT_EQ(std::distance(std::sregex_iterator(inside.begin(), inside.end(), bdi), std::sregex_iterator()),
                  c.words[0] == "diff" ? 2 : 1)
            << what;
        std::string said;
        if (std::regex_search(dom, found, differences))
            said = std::regex_replace(found[1].str(), tag, "");
        EXPECT_EQ(std::distance(std::sregex_iterator(dom.begin(), dom.end(), differences), std::sregex_iterator()),
                  c.words[0] == "diff" ? 1 : 0)
            << what << ": one summary under the heading of a page of differences";
        std::string differences_said;
        for (const std::string& line : words_by_row(said))
            differences_said += (differences_said.empty() ? "" : " ") + line;
        EXPECT_EQ(differences_said, c.differences) << what;
        std::string legends;
        for (auto l = std::sregex_iterator(dom.begin(), dom.end(), legend); l != std::sregex_iterator(); ++l)
            legends += std::regex_replace((*l)[1].str(), tag, "") + "\n";
        std::string marked = c.words[0] == "diff" ? "A marked entry, OLD" + ARROW + "NEW, differs: OLD is its levels in "
                                                        + c.title.substr(10, c.title.find(ARROW) - 10) + ", NEW in "
                                                        + c.title.substr(c.title.find(ARROW) + ARROW.size(),
                                                                         c.title.find(", ") - c.title.find(ARROW) - ARROW.size())
                                                        + ".\n"
                                                  : "";
        std::string levels = LEGEND;
        if (c.unset)
            levels.insert(levels.size() - 1, ", . not set: a patch leaves it as it is");
        EXPECT_EQ(legends, levels + marked) << what;
        EXPECT_TRUE(std::regex_search(dom, std::regex("</p>\\s*</body>"))) << what << ": nothing shows after the legend";
        EXPECT_EQ(dom.find("<span class=\"unset\">.</span>") != std::string::npos, c.unset) << what;
    }
}

namespace {

// The contrast of two colours "#rrggbb", as the web's accessibility rules reckon it.
double contrast(const std::string& first, const std::string& second)
{
    auto luminance = [](const std::string& colour) {
        double sum = 0;
        const double weights[] = {0.2126, 0.7152, 0.0722};
        for (int i = 0; i < 3; ++i) {
            double c = std::stoi(colour.substr(1 + 2 * i, 2), nullptr, 16) / 255.0;
            sum += weights[i] * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        return sum;
    };
    double a = luminance(first), b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

}  // namespace

TEST_F(CommandLineTest, PagesPrintWholeOnA4AndLetter)
{
    // Each page printed by headless Chromium on paper of each size, read back
    // with pdftotext: every word on the paper, every class and every entry
    // there, old and new.
    if (testing_windows())
        GTEST_SKIP() << "the pages are the same bytes on both systems";
    const std::string missing = find_missing_browser("pdftotext");
    if (!missing.empty())
        GTEST_SKIP() << missing;
    std::string other = BLOCK;
    for (char& level : other)
        level = static_cast<char>((level + 1) % 5);  // every level differs
    put("a.blk", BLOCK);
    put("b.blk", other);
    struct PaperCase {
        std::vector<std::string> words;
        const char* paper;
        size_t arrows, entries;  // "→" words, and words of four levels
    };
    const size_t ENTRIES = 37 * 9;  // every slot of every class
    const PaperCase cases[] = {
        {{"show", "--html", "a.blk"}, "A4", 0, ENTRIES},
        {{"show", "--html", "a.blk"}, "letter", 0, ENTRIES},
        // Each entry in the list and in its cell, old and new; the heading's and the legend's arrows.
        {{"diff", "--html", "a.blk", "b.blk"}, "A4", 2 * ENTRIES + 2, 4 * ENTRIES},
        {{"diff", "--html", "a.blk", "b.blk"}, "letter", 2 * ENTRIES + 2, 4 * ENTRIES},
    };
    const std::regex page_box("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\">"),
        word("<word xMin=\"([-0-9.]+)\" yMin=\"([-0-9.]+)\" xMax=\"([-0-9.]+)\" yMax=\"([-0-9.]+)\">([^<]*)</word>"),
        four_levels("[-BEMG]{4}");
    for (const PaperCase& c : cases) {
        std::string what = c.words[0] + " on " + c.paper;
        std::string page = run_command(c.words).out;
        size_t style_end = page.find("</style>");
        ASSERT_NE(style_end, std::string::npos);
        put("page.html", page.insert(style_end, std::string("@page { size: ") + c.paper + "; }\n"));
        int status = 0;
        std::string output = command_output("chromium --headless --no-sandbox --disable-gpu --disable-background-networking"
                                            " --no-pdf-header-footer --print-to-pdf='"
                                                + path("page.pdf") + "' 'file://" + path("page.html") + "' 2>&1",
                                            &status);
        ASSERT_EQ(status, 0) << output;
        ASSERT_EQ(command_output("pdftotext -bbox '" + path("page.pdf") + "' '" + path("words.html") + "' 2>&1", &status),
                  "");
        std::string words = get("words.html");
        double width = 0, height = 0;
        size_t arrows = 0, entries = 0, pages = 0;
        std::set<std::string> seen;
        for (auto p = std::sregex_iterator(words.begin(), words.end(), page_box); p != std::sregex_iterator(); ++p) {
            width = std::stod((*p)[1].str());
            height = std::stod((*p)[2].str());
            ++pages;
        }
        for (auto w = std::sregex_iterator(words.begin(), words.end(), word); w != std::sregex_iterator(); ++w) {
            const std::string text = (*w)[5].str();
            EXPECT_TRUE(std::stod((*w)[1].str()) >= 0 && std::stod((*w)[3].str()) <= width
                        && std::stod((*w)[2].str()) >= 0 && std::stod((*w)[4].str()) <= height)
                << what << ": \"" << text << "\" lies off the paper";
            seen.insert(text);
            arrows += text == "\u2192";
            entries += std::regex_match(text, four_levels);
        }
        EXPECT_GT(pages, 0u) << what;
        for (const char* name : {"Knight", "Thief", "Monk", "Paladin", "Archer", "Ranger", "Cleric", "Druid", "Sorcerer"})
            EXPECT_TRUE(seen.count(name)) << what << ": no " << name;
        EXPECT_EQ(arrows, c.arrows) << what;
        EXPECT_EQ(entries, c.entries) << what;
    }
    // Every letter stands out from its background: white, or a changed entry's.
    std::string style = run_command({"diff", "--html", "a.blk", "b.blk"}).out;
    std::smatch found;
    ASSERT_TRUE(std::regex_search(style, found, std::regex("td\\.changed[^{]*\\{ background: (#[0-9a-f]{6})")));
    const std::string marked = found[1].str();
    for (const std::string mark : {"level0", "level1", "level2", "level3", "level4", "unset"}) {
        const std::string level = mark;
        ASSERT_TRUE(std::regex_search(style, found, std::regex("\\." + mark + " \\{ color: (#[0-9a-f]{6})")));
        EXPECT_GE(contrast(found[1].str(), "#ffffff"), 4.5) << "level " << level << " on white";
        EXPECT_GE(contrast(found[1].str(), marked), 4.5) << "level " << level << " on a changed entry";
    }
}
