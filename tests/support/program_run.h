// Runs the built program in a fresh directory with scripted input.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

struct ProgramRun {
    std::string out;
    std::string err;
    int status;  // exit status, or 128 + signal
};

// Each test gets an empty working directory, removed afterwards.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ProgramRun run(const std::string& input);
    ProgramRun run_command(const std::vector<std::string>& words);  // with these arguments, no input

    // A wrapper that runs the program as an ordinary user where the tests
    // run as root (who may write any file), with the working directory open
    // to that user; empty where they already run as one.
    std::string as_ordinary_user();
    int start(const std::string& input);  // the program's process id; it runs on its own
    ProgramRun finish(int process);        // waits for it to end
    std::string path(const std::string& name) const { return work_dir + "/" + name; }
    void put(const std::string& name, const std::string& bytes) const;
    std::string get(const std::string& name) const;  // "<missing>" when there is no such file
    bool exists(const std::string& name) const;

    std::set<std::string> files() const;  // the names in the working directory

    std::string base_dir;  // holds the working directory and the captured streams
    std::string work_dir;

    // For the runs that follow: the largest file the program may write, in
    // bytes (SIGXFSZ ignored, so a write past it fails with EFBIG), and where
    // its standard output goes instead of a file of the test's.
    long file_size_limit = -1;
    long open_file_limit = -1;  // the most files it may have open at once
    std::string stdout_path;
    std::string program_wrapper;  // a command that runs the program, such as strace with its options
    // The program's arguments. With any, its standard output is bytes, with
    // LF line ends on every system, and is compared as it is.
    std::vector<std::string> arguments;

private:
    std::string stream_path(int run_number, const char* stream) const;

    int output_pipe = -1;  // a run under a file size limit prints less than a pipe holds
    int runs_started = 0;
    std::map<int, int> run_numbers;  // process id to run number
};

std::string read_whole_file(const std::string& path);

// The bytes of a made-up table or game, as the files the program leaves are read.
inline std::string as_string(const std::vector<unsigned char>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// Whether the program under test is the Windows build (run under Wine).
bool testing_windows();

// A command that runs a program of the Windows build under Wine, such as
// "tests/windows/hold_file.exe" or "skilltab.exe".
std::string windows_command(const std::string& program);

// What the program prints where the two systems differ, such as their error texts.
inline const char* platform_text(const char* linux_text, const char* windows_text)
{
    return testing_windows() ? windows_text : linux_text;
}
std::string skilltab_program();

// The line for a write that failed past the file size limit. Under Wine the
// error text is Wine's own choice for a failure made on the Linux side.
void expect_write_error(const std::string& err, const std::string& line_start);

// The whole output of a shell command, standard error included, and its
// status as system() gives it.
std::string command_output(const std::string& command, int* status);
