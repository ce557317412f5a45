// What the Windows program brings of its own: the conversion of typed names,
// the window that stays, and a release exe that says what it is.
#include <cstdio>

#include "platform/console.h"
#include "support/program_run.h"

namespace {

TEST(WindowsProgramTest, WindowStaysOnlyWhenStartedByItself)
{
    // Wine shows no window of a double-click: the decision that leads to it is tested here.
    struct WindowCase {
        unsigned long console_processes;
        bool input_is_console;
        bool output_is_console;
        bool stays;
    };
    const WindowCase cases[] = {
        {1, true, true, true},    // a double-click: the console is the program's own
        {2, true, true, false},   // a Command Prompt or PowerShell shares it
        {3, true, true, false},
        {1, false, true, false},  // input from a pipe or a file
        {1, true, false, false},  // output to a file
        {0, false, false, false}, // no console at all
    };
    for (const WindowCase& c : cases) {
        EXPECT_EQ(keeps_window_open(c.console_processes, c.input_is_console, c.output_is_console), c.stays)
            << c.console_processes << " processes";
    }
}

TEST(WindowsProgramTest, ConsoleEventsAreAnsweredByTheHandlerAsked)
{
    // Wine sends no closed console: what each handler does with each event is tested here.
    using enum ConsoleEvent;
    using enum ConsoleAnswer;
    struct {
        ConsoleHandler handler;
        ConsoleEvent event;
        ConsoleAnswer answer;
    } const ROWS[] = {
        // The code page goes back, and Ctrl-C still ends the menu or a command.
        {ConsoleHandler::CODE_PAGE, INTERRUPT, PASS_ON},
        // The editor takes Ctrl-C itself; a closed console still ends the program.
        {ConsoleHandler::EDITOR, BREAK, SWALLOW},
        {ConsoleHandler::EDITOR, CLOSE, PASS_ON},
        // serve: Ctrl-C reaches the signal it waits on; a closed console would
        // end it at once, so it stops and waits, finishing a save.
        {ConsoleHandler::SERVING, INTERRUPT, PASS_ON},
        {ConsoleHandler::SERVING, CLOSE, STOP_AND_WAIT},
        {ConsoleHandler::SERVING, SHUTDOWN, STOP_AND_WAIT},
    };
    for (const auto& row : ROWS) {
        EXPECT_EQ(answer_console_event(row.handler, row.event), row.answer)
            << static_cast<int>(row.handler) << " " << static_cast<int>(row.event);
    }
}

TEST(WindowsProgramTest, TypedTextConversion)
{
    if (!testing_windows())
        GTEST_SKIP() << "the conversion is the Windows console's";
    int status = -1;
    std::string output = command_output(windows_command("tests/windows/typed_text_test.exe"), &status);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("0 of 11 cases failed"), std::string::npos) << output;
}

TEST(WindowsProgramTest, ReleaseExeSaysWhatItIs)
{
    if (!testing_windows())
        GTEST_SKIP() << "only the Windows program carries resources";
    const char* build = std::getenv("SKILLTAB_WINDOWS");
    const std::string exe = std::string(build) + "/skilltab.exe";
    int status = -1;
    std::string resources = command_output("x86_64-w64-mingw32-windres -i '" + exe + "' -O rc", &status);
    ASSERT_EQ(status, 0) << resources;
    for (const char* text : {
             "VALUE \"ProductName\", \"skilltab\"",
             "VALUE \"ProductVersion\", \"" SKILLTAB_VERSION "\"",
             "VALUE \"FileVersion\", \"" SKILLTAB_VERSION "\"",
             "VALUE \"FileDescription\", \"Might and Magic VII skill availability editor\"",
             "1 24 /* RT_MANIFEST */",
             "UTF-8</activeCodePage>",
             "level=\"\"asInvoker\"\"",
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
         }) {
        EXPECT_NE(resources.find(text), std::string::npos) << text;
    }
    std::string headers = command_output("x86_64-w64-mingw32-objdump -h -p '" + exe + "'", &status);
    ASSERT_EQ(status, 0) << headers;
    EXPECT_EQ(headers.find(".debug"), std::string::npos) << "debug information in the release exe";
    EXPECT_NE(headers.find("Time/Date\t\tThu Jan  1 00:00:00 1970"), std::string::npos)
        << "a time stamp in the release exe";
}

TEST(WindowsProgramTest, ReleaseArchiveHoldsTheProgramAndAReadmeForWindows)
{
    if (!testing_windows())
        GTEST_SKIP() << "the archive is the Windows build's";
    const std::string build = std::getenv("SKILLTAB_WINDOWS");
    const std::string archive = build + "/skilltab-" SKILLTAB_VERSION "-windows-x86_64.zip";
    char folder[] = "/tmp/skilltab-archive-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    int status = -1;
    std::string listing = command_output("cd " + std::string(folder) + " && cmake -E tar xvf '" + archive + "'", &status);
    ASSERT_EQ(status, 0) << listing << "\n(cmake --workflow --preset windows makes the archive)";
    EXPECT_EQ(listing, "x skilltab.exe\nx Edit in browser.cmd\nx README.txt\nx LICENSE.txt\n");
    EXPECT_EQ(read_whole_file(std::string(folder) + "/Edit in browser.cmd"),
              "@echo off\r\ncd /d \"%~dp0\"\r\nskilltab.exe serve mm7.exe\r\nif errorlevel 1 pause\r\n");
    std::string readme = read_whole_file(std::string(folder) + "/README.txt");
    EXPECT_NE(readme.find(".\\skilltab"), std::string::npos) << "PowerShell's way to start it";
    EXPECT_NE(readme.find("Ctrl-Z"), std::string::npos);
    std::string licence = read_whole_file(std::string(folder) + "/LICENSE.txt");
    EXPECT_NE(licence.find("Copyright (c) 2026 the skilltab authors\r\n"), std::string::npos);
    for (const std::string* text : {&readme, &licence}) {
        size_t line_ends = 0, windows_line_ends = 0;
        for (size_t i = 0; i < text->size(); ++i) {
            line_ends += (*text)[i] == '\n';
            windows_line_ends += (*text)[i] == '\n' && i > 0 && (*text)[i - 1] == '\r';
        }
        EXPECT_GT(line_ends, 15u);
        EXPECT_EQ(windows_line_ends, line_ends) << "README.txt and LICENSE.txt must have CR LF line ends";
    }
    EXPECT_TRUE(read_whole_file(std::string(folder) + "/skilltab.exe") == read_whole_file(build + "/skilltab.exe"))
        << "the archive holds another skilltab.exe than the one built: run the windows workflow again";
    command_output("rm -rf " + std::string(folder), &status);
}

}  // namespace
