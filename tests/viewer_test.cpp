// V: both screens byte for byte, and paging between them.
#include <random>

#include "support/program_run.h"
#include "support/texts.h"

namespace {

// Every cell drawn at random, so that a swapped class, stage or slot shows.
std::string random_block()
{
    std::mt19937 random(1332);
    std::string block(BLOCK_SIZE, '\0');
    for (char& level : block)
        level = static_cast<char>(random() % 5);
    return block;
}

const std::string BLOCK = random_block();
const std::string FIRST = viewer_screen(BLOCK, 0, 20);
const std::string SECOND = viewer_screen(BLOCK, 21, 36, "\n\n\n\n\n\n\n");
const std::string LOADED = CHOICE + "Load from file name: " + MENU + "Skill block loaded.\n\n";

class ViewerTest : public ProgramTest {};

TEST_F(ViewerTest, ScreensShowEveryNamedSlot)
{
    put("in.blk", BLOCK);
    struct PagingCase {
        std::string answers;
        std::string screens;
        std::string after;  // what the main prompt shows once the viewer has left
    };
    const PagingCase cases[] = {
        {"r\n", FIRST, CHOICE},
        {"N\nr\n", FIRST + SECOND, CHOICE},
        {"n\nN\nn\n7\n", FIRST + SECOND + FIRST + SECOND, CHOICE},
        {"n\nquit\n", FIRST + SECOND, ""},
        {"\nn\n", FIRST, CHOICE},  // the empty answer leaves and drops the n line
    };
    for (const PagingCase& c : cases) {
        ProgramRun result = run("L\nin.blk\nV\n" + c.answers + "Q\n");
        EXPECT_EQ(result.out, START + LOADED + CHOICE + c.screens + MENU + c.after + END) << c.answers;
        EXPECT_EQ(result.err, "");
    }
}

TEST_F(ViewerTest, EmptyTableBeforeAnyLoad)
{
    const std::string row_tail = " ----   ----   ----   ----   ----   ----   ----   ----   ----  \n";
    ASSERT_EQ(row_tail.size() + 13, 77u);  // 76 characters and the line end
    ProgramRun result = run("V\nr\nQ\n");
    EXPECT_EQ(result.out, START + CHOICE + viewer_screen(std::string(BLOCK_SIZE, '\0'), 0, 20) + MENU
                              + CHOICE + END);
    EXPECT_NE(result.out.find("\nStaff        " + row_tail + "Sword        " + row_tail),
              std::string::npos);
}

TEST_F(ViewerTest, EndOfInputLeavesTheViewer)
{
    for (const char* input : {"V\n", "V\nn\nn"}) {
        ProgramRun result = run(input);
        EXPECT_EQ(result.status, 0) << input;
        EXPECT_EQ(result.out.substr(result.out.size() - MENU.size() - END.size()), MENU + END);
    }
}

}  // namespace
