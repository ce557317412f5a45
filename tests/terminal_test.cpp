// On a terminal every prompt must be on the screen before its answer is typed,
// and a Windows console hands over what is typed in any language.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <cstdlib>
#include <poll.h>
#include <pty.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "stand_in_game.h"
#include "support/program_run.h"

namespace {

// The text a terminal shows for what the program wrote to it. The Windows
// console under Wine draws through escape sequences, a space often as "move
// one column right"; carriage returns are dropped.
std::string shown_text(const std::string& written)
{
    std::string text;
    for (size_t i = 0; i < written.size(); ++i) {
        if (written[i] == '\r')
            continue;
        if (written[i] != '\x1b' || i + 1 >= written.size()) {
            text += written[i];
            continue;
        }
        size_t end = i + 2;
        if (written[i + 1] == '[') {  // control sequence: parameters, then one letter
            while (end < written.size() && !std::isalpha(static_cast<unsigned char>(written[end])))
                ++end;
            if (end < written.size() && written[end] == 'C')
                text.append(std::max(1, std::atoi(written.substr(i + 2, end - i - 2).c_str())), ' ');
        } else if (written[i + 1] == ']') {  // window title, up to the bell
            while (end < written.size() && written[end] != '\a')
                ++end;
        }
        i = end;
    }
    return text;
}

class TerminalTest : public ProgramTest {
protected:
    // Reads what the program shows until it ends in `prompt` and then waits;
    // false if that does not happen within a few seconds.
    bool wait_for(const std::string& prompt)
    {
        std::string written;
        for (std::string screen; !screen.ends_with(prompt); screen = shown_text(written)) {
            pollfd ready = {terminal, POLLIN, 0};
            char bytes[4096];
            ssize_t count = poll(&ready, 1, 5000) == 1 ? read(terminal, bytes, sizeof bytes) : -1;
            if (count <= 0) {
                ADD_FAILURE() << "no prompt \"" << prompt << "\"; the screen shows:\n"
                              << shown_text(written);
                return false;
            }
            written.append(bytes, static_cast<size_t>(count));
        }
        return true;
    }

    // Starts a command in the working directory on a terminal of its own,
    // whose other end is `terminal`.
    pid_t start_on_terminal(const std::string& command)
    {
        pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
        if (child == 0) {
            if (chdir(work_dir.c_str()) == 0)
                execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        return child;
    }

    int terminal = -1;
};

TEST_F(TerminalTest, PromptsStandBeforeTheirAnswers)
{
    ASSERT_TRUE(write_bytes(path("in.blk"), make_plausible_table()));
    ASSERT_TRUE(write_bytes(path("mm7.exe"), std::vector<unsigned char>(1000, 0)));  // too short
    pid_t child = start_on_terminal(skilltab_program());
    ASSERT_GE(child, 0);
    const std::pair<std::string, std::string> dialogue[] = {
        {"Choice: ", "L"},
        {"Load from file name: ", "in.blk"},
        {"Choice: ", "E"},
        // Standard error unbuffered: the error line without a line end is on
        // the screen before the next prompt.
        {"Sorry, this program doesn't recognize your version of mm7.exe.Choice: ", "V"},
        {"(R) Return to main menu    Choice:", "n"},
        {"(R) Return to main menu    Choice:", "r"},
        {"Choice: ", "C"},
        {"Pick a class to edit: ", "0"},
        {"Pick a skill to edit for the Knight: ", "0"},
        {"Enter the progression for the Knight's skill in Staff        : ", "EMGG"},
        {"Pick a class to edit: ", "R"},
        {"Choice: ", "S"},
        {"Save to file name: ", "out.blk"},
        {"Choice: ", "Q"},
    };
    if (testing_windows()) {
        // Wine's terminal console now and then loses a key that arrives while
        // the program waits for it, so a dialogue cannot be driven there; the
        // first prompt, shown whole before any key, shows the console unbuffered.
        wait_for("Choice: ");
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(terminal);
        return;
    }
    for (const auto& [prompt, answer] : dialogue) {
        if (!wait_for(prompt))
            break;
        std::string line = answer + "\n";
        ASSERT_EQ(write(terminal, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    }
    wait_for("Enjoy your game!\n");
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(terminal);
    EXPECT_EQ(get("out.blk").size(), 1332u);
}

TEST_F(TerminalTest, WindowsConsoleTakesNamesInAnyLanguage)
{
    if (!testing_windows())
        GTEST_SKIP() << "the Windows console's own input";
    // Keys typed into the console itself, as UTF-16 (a terminal under Wine
    // loses keys that arrive while the program waits); the console's code
    // page must be back as it was however the program ends.
    const std::vector<unsigned char> table = make_plausible_table();
    ASSERT_TRUE(write_bytes(path("in.blk"), table));
    ASSERT_TRUE(write_bytes(path("bad.blk"), std::vector<unsigned char>(1331, 0)));
    const std::string block(table.begin(), table.end());
    struct ConsoleCase {
        const char* what;
        std::u16string keys;
        int exit;
        std::string saved;  // the file S makes, if it may make one
    };
    const ConsoleCase cases[] = {
        {"a Cyrillic name", u"L\rin.blk\rS\r\u043d\u0430\u0432\u044b\u043a\u0438.blk\rQ\r", 0,
         "\xd0\xbd\xd0\xb0\xd0\xb2\xd1\x8b\xd0\xba\xd0\xb8.blk"},
        {"Ctrl-Z then Enter ends the input", u"L\rin.blk\rS\r\u00c4rger.blk\r\x1a\r", 0, "\xc3\x84rger.blk"},
        {"a name dropped in quotes", u"L\rin.blk\rS\r\"dropped.blk\"\rQ\r", 0, "dropped.blk"},
        {"a character no code page has", u"L\rin.blk\rS\rx" + std::u16string(1, char16_t(0xD800)) + u".blk\rQ\r",
         0, ""},
        {"invalid data ends the program", u"L\rbad.blk\r", 1, ""},
    };
    const char* build = std::getenv("SKILLTAB_WINDOWS");
    for (const ConsoleCase& c : cases) {
        std::string keys;
        for (char16_t unit : c.keys) {
            keys += static_cast<char>(unit & 0xff);
            keys += static_cast<char>(unit >> 8);
        }
        put("keys", keys);
        std::remove(path("console_dialogue.txt").c_str());
        const std::set<std::string> before = files();
        const std::string command = windows_command("tests/windows/console_dialogue.exe") + " 'Z:" + build
                                    + "/skilltab.exe' keys";
        pid_t child = start_on_terminal(command);
        ASSERT_GE(child, 0);
        // What the console shows must be read, or the program would wait to write it.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline && waitpid(child, nullptr, WNOHANG) == 0) {
            char bytes[4096];
            pollfd ready = {terminal, POLLIN, 0};
            if (poll(&ready, 1, 100) == 1 && read(terminal, bytes, sizeof bytes) <= 0)
                usleep(100000);
        }
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(terminal);
        EXPECT_EQ(get("console_dialogue.txt"),
                  "exit " + std::to_string(c.exit) + ", code page 850 before, 850 after\r\n")
            << c.what;
        std::set<std::string> after = before;
        after.insert("console_dialogue.txt");
        if (!c.saved.empty()) {
            EXPECT_EQ(get(c.saved), block) << c.what;
            after.insert(c.saved);
        }
        EXPECT_EQ(files(), after) << c.what;
        for (const std::string& name : files())
            if (name != "in.blk" && name != "bad.blk" && name != "keys")
                std::remove(path(name).c_str());
    }
}

// What tmux shows of a program on a terminal of its own, as a person sees it.
class TmuxScreen {
public:
    // A server of its own, so that one that is still going away is never met.
    explicit TmuxScreen(const std::string& command)
        : server("skilltab-test-" + std::to_string(getpid()) + "-" + std::to_string(++servers))
    {
        std::string quoted = "'";
        for (char c : command)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        quoted += "'";
        started = std::system(("tmux -L " + server + " -f /dev/null new-session -d -x 150 -y 40 " + quoted).c_str()) == 0;
    }
    ~TmuxScreen() { std::system(("tmux -L " + server + " kill-server 2>/dev/null").c_str()); }

    std::string screen() const
    {
        int status = 0;
        return command_output("tmux -L " + server + " capture-pane -p", &status);
    }

    // Waits until the screen shows `text`; false, with what it shows, if it does not within ten seconds.
    bool wait_for(const std::string& text) const
    {
        for (auto start = std::chrono::steady_clock::now();
             std::chrono::steady_clock::now() - start < std::chrono::seconds(10);) {
            if (screen().find(text) != std::string::npos)
                return true;
            usleep(50000);
        }
        ADD_FAILURE() << "the screen never shows \"" << text << "\"; it shows:\n" << screen();
        return false;
    }

    void press_enter() const { std::system(("tmux -L " + server + " send-keys Enter").c_str()); }

    std::string server;
    bool started = false;
    static inline int servers = 0;
};

TEST_F(TerminalTest, EditSaysItWaitsAndWaitsForAnEditorThatReturnsAtOnce)
{
    if (testing_windows())
        GTEST_SKIP() << "tmux shows Linux's terminals";
    if (std::system("command -v tmux >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "tmux is not installed";
    const std::vector<unsigned char> table = make_plausible_table();
    ASSERT_NE(table[0], 4);  // the Knight's Staff, which the user makes GGGG
    mkdir(path("temporary").c_str(), 0700);
    const std::string WAITING = "skilltab: waiting for your editor to close the file...";
    const std::string AT_ONCE = "skilltab: your editor returned at once; press Enter once you have saved and closed the file";
    struct EditorCase {
        const char* what;
        std::string editor;
        bool at_once;     // whether the editor hands the text on and returns
        std::string end;  // the last lines on the screen
    };
    const EditorCase cases[] = {
        {"an editor that takes its time", "sleep 2; true", false, "No changes.\nstatus 0"},
        {"an editor that returns at once", "true", true, "Changed entries: 1\nstatus 0"},
    };
    for (const EditorCase& c : cases) {
        ASSERT_TRUE(write_bytes(path("kept.blk"), table));
        TmuxScreen tmux("cd '" + work_dir + "' && TMPDIR='" + path("temporary") + "' EDITOR='" + c.editor
                        + "' " + skilltab_program() + " edit kept.blk; echo status $?; sleep 60");
        ASSERT_TRUE(tmux.started) << c.what;
        if (!c.at_once) {
            // Said while the editor runs, and taken away once it has returned.
            EXPECT_TRUE(tmux.wait_for(WAITING)) << c.what;
        } else {
            ASSERT_TRUE(tmux.wait_for(AT_ONCE)) << c.what;
            EXPECT_EQ(tmux.screen().find(WAITING), std::string::npos) << c.what;
            // The editor's own window saves the text; then the user presses Enter.
            for (const auto& entry : std::filesystem::directory_iterator(path("temporary")))
                ASSERT_TRUE(write_bytes(entry.path().string(), std::vector<unsigned char>{
                    'S', 'k', 'i', 'l', 'l', ' ', 'K', 'n', 'i', 'g', 'h', 't', '\n',
                    'S', 't', 'a', 'f', 'f', ' ', 'G', 'G', 'G', 'G', '\n'}));
            tmux.press_enter();
        }
        ASSERT_TRUE(tmux.wait_for(c.end)) << c.what;
        std::string screen = tmux.screen();
        EXPECT_EQ(screen.find(WAITING), std::string::npos) << c.what << ":\n" << screen;
        EXPECT_EQ(get("kept.blk")[0], c.at_once ? 4 : table[0]) << c.what;
        EXPECT_TRUE(std::filesystem::is_empty(path("temporary"))) << c.what;
    }
}

}  // namespace
