// The text form of the table, read and written through the command line:
// round trips, every accepted spelling, and every malformed line.
#include <random>

#include "stand_in_game.h"
#include "support/program_run.h"
#include "support/texts.h"

namespace {

const std::string HEAD =
    "# skilltab skill table: one row per skill, one column per class.\n"
    "# Each entry: unpromoted, first promotion, light path, dark path.\n"
    "# Levels: - none, B Basic, E Expert, M Master, G Grandmaster.\n";
const std::string HEADER =
    "Skill         Knight   Thief    Monk     Paladin  Archer   Ranger   Cleric   Druid    Sorcerer\n";

class TextTableTest : public ProgramTest {};

std::string random_block(std::mt19937& random)
{
    std::uniform_int_distribution<int> level(0, 4);
    std::string block(BLOCK_SIZE, '\0');
    for (char& c : block)
        c = static_cast<char>(level(random));
    return block;
}

TEST_F(TextTableTest, RandomTablesGoRoundAndComeBackByteForByte)
{
    std::mt19937 random(1332);
    for (int round = 0; round < (testing_windows() ? 3 : 12); ++round) {
        const std::string block = random_block(random);
        put("table.blk", block);
        ASSERT_EQ(run_command({"convert", "table.blk", "table.txt"}).status, 0);
        ASSERT_EQ(run_command({"convert", "table.txt", "back.blk"}).status, 0);
        EXPECT_EQ(get("back.blk"), block) << round;
        // show prints the very text, of the block and of the text alike.
        ProgramRun shown = run_command({"show", "table.blk"});
        EXPECT_EQ(shown.out, get("table.txt"));
        EXPECT_EQ(run_command({"show", "table.txt"}).out, shown.out);
        // 3 comment lines, the header, 37 rows; LF ends, no trailing space.
        const std::string text = shown.out;
        EXPECT_TRUE(text.starts_with(HEAD + HEADER)) << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 41);
        EXPECT_EQ(text.find(" \n"), std::string::npos);
        EXPECT_EQ(text.find('\r'), std::string::npos);
        std::string row = "Slot 27       ";
        for (int class_index = 0; class_index < 9; ++class_index) {
            for (int stage = 0; stage < 4; ++stage)
                row += "-BEMG"[static_cast<int>(block[cell(class_index, stage, 27)])];
            row += class_index < 8 ? "     " : "\n";
        }
        EXPECT_NE(text.find("\n" + row), std::string::npos) << row;
    }
}

TEST_F(TextTableTest, EveryAcceptedFormReadsTheSame)
{
    // Each text names the Knight's and the Druid's Staff and Identify Item.
    const std::string BOM = "\xEF\xBB\xBF";
    const std::string cases[] = {
        "Skill Knight Druid\nStaff EMGG BBBB\nIdentify Item ---- 1234\n",
        "Skill Knight Druid\r\nStaff EMGG BBBB\r\nIdentify Item ---- 1234\r\n",
        BOM + "Skill\tKnight\tDruid\nStaff\tEMGG\tBBBB\nIdentify\t \tItem 0000 1234",
        "# a patch\n\nSKILL knight DRUID # classes\n  staff   emgg bbbb  \n\n"
        "IDENTIFY ITEM  ---- BEMG # the last\n",
        "Skill Druid Knight\nidentify item BEMG 0-0-\nStaff 1111 2344\n",
        "# " + std::string(3000, 'c') + "\r\nSkill Knight Druid\r\nStaff" + std::string(1100, ' ')
            + "EMGG BBBB\r\nIdentify\t\tItem ---- 1234" + std::string(1100, '\t') + "\r\n",
    };
    for (const std::string& text : cases) {
        put("patch.txt", text);
        ProgramRun result = run_command({"show", "patch.txt"});
        EXPECT_EQ(result.err, "") << text;
        EXPECT_EQ(result.out, HEAD
                                  + "Skill         Knight   Druid\n"
                                    "Staff         EMGG     BBBB\n"
                                    "Identify Item ----     BEMG\n")
            << text;
        EXPECT_EQ(result.status, 0);
    }
    // A header alone names nothing.
    put("empty.txt", "skill sorcerer\n");
    EXPECT_EQ(run_command({"show", "empty.txt"}).out, HEAD + "Skill         Sorcerer\n");
}

std::string repeated(const std::string& text, int times)
{
    std::string all;
    for (int i = 0; i < times; ++i)
        all += text;
    return all;
}

TEST_F(TextTableTest, EveryMalformedLineIsToldWithItsNumber)
{
    const std::string NUL(1, '\0');
    struct BadText {
        std::string text;
        std::string error;  // after "skilltab: bad.txt"
    };
    const BadText cases[] = {
        {"", ": no header line"},
        {"# only a comment\n\n", ": no header line"},
        {"Class Knight\n", ":1: the header must begin with Skill"},
        {"\xEF\xBBXSkill Knight\n", ":1: the header must begin with Skill"},  // no byte-order mark
        {"\n# first\nSkill\n", ":3: the header names no class"},
        {"Skill Knight Wizard\n", ":1: unknown class: Wizard"},
        {"Skill Knight knight\n", ":1: class named twice: knight"},
        {"Skill Knight Thief\nStaff EMGG\n", ":2: too few fields"},
        {"Skill Knight Thief\nStaf EMG\n", ":2: too few fields"},
        {"Skill Knight\nStaff EMG\n", ":2: not four levels: EMG"},
        {"Skill Knight\nStaf EMGX\n", ":2: not four levels: EMGX"},
        {"Skill Knight\nStaff EMGG5\n", ":2: not four levels: EMGG5"},
        {"Skill Knight\nStaf EMGG\n", ":2: unknown skill: Staf"},
        {"Skill Knight\nSlot 26 EMGG\n", ":2: unknown skill: Slot 26"},
        {"Skill Knight\n\n# c\nStaff EMGG\nSTAFF ----\n", ":5: skill named twice: STAFF"},
        // Words are quoted whole up to 1000 bytes, then cut before a character.
        {"Skill Knight\nStaff " + std::string(1100, 'E') + "\n", ":2: not four levels: " + std::string(1000, 'E') + "..."},
        {"Skill Knight\nStaff " + std::string(999, 'E') + repeated("\xC3\xA9", 300) + "\n",
         ":2: not four levels: " + std::string(999, 'E') + "..."},
        {"Skill Knight\nStaff " + std::string(998, 'E') + repeated("\xE6\xBC\xA2", 300) + "\n",
         ":2: not four levels: " + std::string(998, 'E') + "..."},
        {"Skill Knight\nStaff " + std::string(998, 'E') + "\xE0\x80\x80" + std::string(100, 'E') + "\n",
         ":2: not four levels: " + std::string(998, 'E') + "\xE0?..."},  // an overlong form is no character, and a stray 0x80 an 8-bit control
        {"Skill Knight\n" + std::string(1100, 'a') + " GGGG\n", ":2: unknown skill: " + std::string(1000, 'a') + "..."},
        // A byte 0x80 to 0x9F of no character is an 8-bit control (0x9B: CSI), as Windows-1252's quotes are in UTF-8.
        {"Skill Knight\nStaff\x9b" "2J \x93GGGG\x94\n", ":2: not four levels: ?GGGG?"},
        {"Skill Knight\nStaff\x9b" "2J GGGG\n", ":2: unknown skill: Staff?2J"},
        // Lines of any length, with LF or CR LF.
        {"Skill Knight # " + std::string(2000, 'c') + "\nStaf GGGG\n", ":2: unknown skill: Staf"},
        {"Skill Knight # " + std::string(2000, 'c') + "\r\nStaf GGGG\r\n", ":2: unknown skill: Staf"},
        {"Skill Knight\r\nStaff" + std::string(1100, ' ') + "GGGX\r\n", ":2: not four levels: GGGX"},
        // A UTF-16 text, and lines that end in CR alone, told as such.
        {std::string("\xFF\xFES\0k\0i\0l\0l\0", 12), ":1: the file is UTF-16; save it as UTF-8"},
        {"Skill Knight\rStaf GGGG\r", ":1: lines end in CR alone; save the file with LF or CR LF line ends"},
        // A NUL byte anywhere is the first fault of its line.
        {"Skill Knight\nStaff GGGG" + NUL + " XXXX\n", ":2: a NUL byte"},
        {"Skill Knight\n" + NUL + "Sword GGGG\n", ":2: a NUL byte"},
        {"Skill Wizard" + NUL + "\n", ":1: a NUL byte"},
        {"# a comment" + NUL + "\nSkill Knight\n", ":1: a NUL byte"},
    };
    for (const BadText& c : cases) {
        put("bad.txt", c.text);
        ProgramRun result = run_command({"convert", "bad.txt", "out.txt"});
        EXPECT_EQ(result.err, "skilltab: bad.txt" + c.error + "\n") << c.text;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.status, 1);
        EXPECT_FALSE(exists("out.txt"));
    }
}

}  // namespace
