// The main prompt: which answers run a command, which do nothing, and how the program ends.
#include "support/program_run.h"
#include "support/texts.h"

namespace {

class CommandLoopTest : public ProgramTest {};

struct LoopCase {
    const char* what;
    std::string input;
    int prompts;  // how many main prompts stand between the start and the end
};

TEST_F(CommandLoopTest, AnswersThatRunNoCommand)
{
    const LoopCase cases[] = {
        {"q ends", "q\n", 1},
        {"Q ends", "Q\n", 1},
        {"a word beginning with q ends", "quit now\n", 1},
        {"no command, a digit, a space", "x\n7\n \nq\n", 4},
        {"an empty answer drops the next line", "\nv\nq\n", 2},
        {"a byte 255 is no command and does not end the input", "\xff\nq\n", 2},
        {"input ending without a line end", "x", 1},
        {"input ending after a full line", "x\n", 2},
        {"no input at all", "", 1},
        {"input ending after an empty answer", "\n", 1},
    };
    for (const LoopCase& c : cases) {
        ProgramRun result = run(c.input);
        std::string expected = START;
        for (int i = 0; i < c.prompts; ++i)
            expected += CHOICE;
        EXPECT_EQ(result.out, expected + END) << c.what;
        EXPECT_EQ(result.err, "") << c.what;
        EXPECT_EQ(result.status, 0) << c.what;
    }
}

TEST_F(CommandLoopTest, CommandsAnswerUnderTheMenuInEitherCase)
{
    for (const char* input : {"s\nq\n", "S\nq\n", "i\nq\n", "Iabc\nq\n"}) {
        ProgramRun result = run(input);
        EXPECT_EQ(result.out, START + CHOICE + MENU + NOT_LOADED + CHOICE + END) << input;
        EXPECT_EQ(result.status, 0);
    }
}

TEST_F(CommandLoopTest, OutputThatCannotBeWrittenIsReported)
{
    // The program's own output is lost: the end of the run must not look clean.
    stdout_path = "/dev/full";
    for (const char* input : {"Q\n", "V\nr\n"}) {
        ProgramRun result = run(input);
        EXPECT_EQ(result.err, "Error: Cannot write standard output: No space left on device\n\n")
            << input;
        EXPECT_EQ(result.status, 1) << input;
    }
}

}  // namespace
