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

TEST_F(CommandLoopTest, CommandsAnswerInEitherCase)
{
    const std::string EMPTY_TABLE(BLOCK_SIZE, '\0');
    const std::string VIEWED = viewer_screen(EMPTY_TABLE, 0, 20) + MENU;
    const std::string EDITED = CLASS_MENU + CLASS_PROMPT + CLASS_MENU + "No class selected.\n" + EDITOR_END;
    const std::string MISSING = "Error: Cannot open missing: No such file or directory\n\n";
    struct CommandCase {
        std::string input;
        std::string shown;  // between the first main prompt and the next
        std::string err;
    };
    const CommandCase cases[] = {
        {"e\n", MENU, NO_GAME},
        {"E\n", MENU, NO_GAME},
        {"l\nmissing\n", "Load from file name: " + MENU, MISSING},
        {"Lxyz\nmissing\n", "Load from file name: " + MENU, MISSING},
        {"s\n", MENU + NOT_LOADED, ""},
        {"S\n", MENU + NOT_LOADED, ""},
        {"i\n", MENU + NOT_LOADED, ""},
        {"Iabc\n", MENU + NOT_LOADED, ""},
        {"v\nr\n", VIEWED, ""},
        {"V\nr\n", VIEWED, ""},
        {"c\nr\n", EDITED, ""},
        {"C\nr\n", EDITED, ""},
    };
    for (const CommandCase& c : cases) {
        ProgramRun result = run(c.input + "q\n");
        EXPECT_EQ(result.out, START + CHOICE + c.shown + CHOICE + END) << c.input;
        EXPECT_EQ(result.err, c.err) << c.input;
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
