#include "support/program_run.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::string skilltab_program()
{
    const char* program = std::getenv("SKILLTAB_PROGRAM");
    // The variable may name a whole command, such as the program under an emulator.
    return program != nullptr ? program : "'" SKILLTAB_BUILT_PROGRAM "'";
}

bool testing_windows()
{
    return std::getenv("SKILLTAB_WINDOWS") != nullptr;
}

std::string windows_command(const std::string& program)
{
    const char* build = std::getenv("SKILLTAB_WINDOWS");  // the Windows build's folder
    return std::string("/usr/lib/wine/wine64 '") + (build != nullptr ? build : ".") + "/" + program + "'";
}

namespace {

// What a Windows console sends for each line end.
std::string with_windows_line_ends(const std::string& text)
{
    std::string result;
    for (char c : text) {
        if (c == '\n')
            result += '\r';
        result += c;
    }
    return result;
}

std::string shell_quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// A Windows program writes its text streams with CR LF line ends, which the
// user sees as plain line ends. Every line end must be one, and the tests then
// compare what is seen.
std::string as_seen_on_windows(const std::string& text)
{
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "a bare line end at byte " << i;
        }
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        result += text[i];
    }
    return result;
}

}  // namespace

std::string read_whole_file(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return "<missing>";
    std::string bytes;
    for (int c; (c = std::getc(file)) != EOF;)
        bytes += static_cast<char>(c);
    std::fclose(file);
    return bytes;
}

void ProgramTest::SetUp()
{
    char pattern[] = "/tmp/skilltab-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    base_dir = pattern;
    work_dir = base_dir + "/game";
    fs::create_directory(work_dir);
}

void ProgramTest::TearDown()
{
    std::error_code ignored;
    fs::remove_all(base_dir, ignored);
}

void ProgramTest::put(const std::string& name, const std::string& bytes) const
{
    std::FILE* file = std::fopen(path(name).c_str(), "wb");
    ASSERT_NE(file, nullptr) << name;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    ASSERT_EQ(std::fclose(file), 0);
}

std::string ProgramTest::get(const std::string& name) const
{
    return read_whole_file(path(name));
}

bool ProgramTest::exists(const std::string& name) const
{
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path(name), ignored));
}

std::set<std::string> ProgramTest::files() const
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(work_dir))
        names.insert(entry.path().filename().string());
    return names;
}

ProgramRun ProgramTest::run(const std::string& input)
{
    ProgramRun result = finish(start(input));
    // Once in a long while under load, a run under Wine has ended 1 with
    // nothing written, which the program never does (it prints on every way
    // to status 1; most likely Wine gave it no standard handles). Such a run
    // is Wine's, and is made again, once, saying so.
    if (testing_windows() && result.status == 1 && result.out.empty() && result.err.empty()) {
        std::fprintf(stderr, "Wine ran the program without output and status 1; running it again\n");
        result = finish(start(input));
    }
    return result;
}

std::string ProgramTest::as_ordinary_user()
{
    if (geteuid() != 0)
        return "";
    chmod(base_dir.c_str(), 0755);
    chmod(work_dir.c_str(), 0777);
    return "setpriv --reuid=65534 --regid=65534 --clear-groups";
}

ProgramRun ProgramTest::run_command(const std::vector<std::string>& words)
{
    arguments = words;
    ProgramRun result = run("");
    arguments.clear();
    return result;
}

std::string ProgramTest::stream_path(int run_number, const char* stream) const
{
    return base_dir + "/" + stream + "." + std::to_string(run_number);
}

int ProgramTest::start(const std::string& input)
{
    // Each run has streams of its own, so that runs can overlap.
    int run_number = ++runs_started;
    std::string in_path = stream_path(run_number, "stdin"), out_path = stream_path(run_number, "stdout"),
                err_path = stream_path(run_number, "stderr");
    {
        std::FILE* file = std::fopen(in_path.c_str(), "wb");
        std::string bytes = testing_windows() ? with_windows_line_ends(input) : input;
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    std::string program = skilltab_program();
    // A Wine server that a limited run started would inherit the limit and
    // fail; one started here outlives the run (or one already runs).
    if (file_size_limit >= 0 && testing_windows() && std::system("/usr/lib/wine/wineserver -p10 2>/dev/null") < 0)
        ADD_FAILURE() << "cannot start a Wine server";
    // Under a file size limit the output goes to a pipe, which the limit
    // does not touch, and is read once the program has ended.
    int output[2] = {-1, -1};
    if (file_size_limit >= 0 && pipe(output) != 0)
        ADD_FAILURE() << "no pipe for the output";
    pid_t child = fork();
    if (child == 0) {
        if (!stdout_path.empty())
            out_path = stdout_path;
        int in = open(in_path.c_str(), O_RDONLY);
        int out = output[1] >= 0 ? output[1] : open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0
            || chdir(work_dir.c_str()) != 0)
            _exit(127);
        if (file_size_limit >= 0) {
            rlimit limit = {static_cast<rlim_t>(file_size_limit), static_cast<rlim_t>(file_size_limit)};
            signal(SIGXFSZ, SIG_IGN);
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                _exit(127);
        }
        if (open_file_limit >= 0) {
            rlimit limit = {static_cast<rlim_t>(open_file_limit), static_cast<rlim_t>(open_file_limit)};
            if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
                _exit(127);
        }
        alarm(30);  // a program that hangs is killed, and the test fails on its status
        std::string command = "exec " + program_wrapper + " " + program;
        for (const std::string& argument : arguments)
            command += " " + shell_quoted(argument);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (output[1] >= 0) {
        close(output[1]);
        fcntl(output[0], F_SETFL, O_NONBLOCK);
    }
    output_pipe = output[0];
    run_numbers[child] = run_number;
    return child;
}

ProgramRun ProgramTest::finish(int process)
{
    int run_number = run_numbers[process];
    std::string out_path = stream_path(run_number, "stdout"),
                err_path = stream_path(run_number, "stderr");
    int status = 0;
    waitpid(process, &status, 0);
    ProgramRun result;
    if (output_pipe >= 0) {
        char bytes[4096];
        for (ssize_t count; (count = read(output_pipe, bytes, sizeof bytes)) > 0;)
            result.out.append(bytes, static_cast<size_t>(count));
        close(output_pipe);
        output_pipe = -1;
    } else if (stdout_path.empty()) {
        result.out = read_whole_file(out_path);
    }
    result.err = read_whole_file(err_path);
    if (testing_windows()) {
        if (arguments.empty())
            result.out = as_seen_on_windows(result.out);
        result.err = as_seen_on_windows(result.err);
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

void expect_write_error(const std::string& err, const std::string& line_start)
{
    if (testing_windows()) {
        EXPECT_TRUE(err.starts_with(line_start) && err.ends_with("\n\n")) << err;
    } else {
        EXPECT_EQ(err, line_start + "File too large\n\n");
    }
}

std::string command_output(const std::string& command, int* status)
{
    std::string output;
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return output;
    char bytes[4096];
    for (size_t count; (count = std::fread(bytes, 1, sizeof bytes, pipe)) > 0;)
        output.append(bytes, count);
    *status = pclose(pipe);
    return output;
}
