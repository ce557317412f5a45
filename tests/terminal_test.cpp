// On a terminal every prompt must be on the screen before its answer is typed.
#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <pty.h>
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

    int terminal = -1;
};

TEST_F(TerminalTest, PromptsStandBeforeTheirAnswers)
{
    ASSERT_TRUE(write_bytes(path("in.blk"), make_plausible_table()));
    ASSERT_TRUE(write_bytes(path("mm7.exe"), std::vector<unsigned char>(1000, 0)));  // too short
    const std::string program = skilltab_program();
    pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (chdir(work_dir.c_str()) == 0)
            execl("/bin/sh", "sh", "-c", ("exec " + program).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
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

}  // namespace
