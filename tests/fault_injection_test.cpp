// Every file operation of I and S made to fail in turn, at each call where it
// can fail: the kept file must be whole (old or new), nothing of the
// program's own may be left beside it, and the user must be told the truth.
// strace fails the N-th call of a system call; standard output failing is a
// reader that has gone away (EPIPE and SIGPIPE, as a closed pipe does).
#include <algorithm>
#include <csignal>
#include <map>
#include <sstream>

#include "stand_in_game.h"
#include "support/program_run.h"
#include "support/texts.h"

namespace {

const std::string OLD_TABLE = as_string(make_plausible_table());
const std::string NEW_TABLE(BLOCK_SIZE, '\x03');
const std::string OLD_GAME = as_string(make_stand_in_game(make_plausible_table()));
const std::string NEW_GAME = as_string(
    make_stand_in_game(std::vector<unsigned char>(NEW_TABLE.begin(), NEW_TABLE.end())));

// The system calls through which the program works on files.
const char* const FILE_CALLS[] = {"openat", "read",   "write",    "close",     "fsync",
                                  "fchmod", "rename", "unlink",   "flock",     "newfstatat",
                                  "fcntl",  "lseek",  "getxattr", "listxattr", "fremovexattr",
                                  "fgetxattr", "fsetxattr"};

// What a call works on, where it matters to what must follow its failure.
enum CallRole {
    OTHER_CALL,
    NEW_FILE_CALL,  // writes, permissions, sync, close or move of the new file
    FOLDER_SYNC,    // the sync of the folder after the move
};

struct FaultPoint {
    std::string call;
    int occurrence;    // the N of "the N-th call of it"
    std::string line;  // as the trace shows it
    CallRole role;
};

// The descriptor a traced call works on: "write(4, ..." gives "4".
std::string descriptor_of(const std::string& line)
{
    size_t paren = line.find('(');
    return line.substr(paren + 1, line.find_first_of(",)", paren) - paren - 1);
}

// The calls of a traced run that a fault may hit: those of the dialogue
// itself, from the first read of the input on, except the input's own reads
// and the writes of error lines.
std::vector<FaultPoint> find_fault_points(const std::string& trace)
{
    std::vector<FaultPoint> points;
    std::map<std::string, int> seen;
    bool dialogue = false;
    std::string new_file, folder;  // their descriptors while they are open
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
        size_t paren = line.find('(');
        if (paren == std::string::npos || line.starts_with("---") || line.starts_with("+++"))
            continue;
        std::string call = line.substr(0, paren);
        int occurrence = ++seen[call];
        if (line.starts_with("read(0,"))
            dialogue = true;
        bool file_call = std::find(std::begin(FILE_CALLS), std::end(FILE_CALLS), call) != std::end(FILE_CALLS);
        std::string result = line.substr(line.rfind("= ") + 2);
        CallRole role = OTHER_CALL;
        bool new_file_step = call == "write" || call == "fsync" || call == "close" || call == "fchmod";
        if (call == "rename" || (new_file_step && !new_file.empty() && descriptor_of(line) == new_file))
            role = NEW_FILE_CALL;
        if (call == "fsync" && descriptor_of(line) == folder)
            role = FOLDER_SYNC;
        if (call == "openat" && line.find("O_EXCL") != std::string::npos)
            new_file = result;
        else if (call == "openat" && line.find("O_DIRECTORY") != std::string::npos)
            folder = result;
        else if (call == "close" && descriptor_of(line) == new_file)
            new_file.clear();
        if (!dialogue || !file_call || line.starts_with("read(0,") || line.starts_with("write(2,"))
            continue;
        points.push_back({call, occurrence, line.substr(0, 60), role});
    }
    return points;
}

struct Dialogue {
    const char* what;
    std::string input;
    std::map<std::string, std::string> folder;  // the files before each run
    std::string kept;                           // the file the dialogue replaces
    std::string replaced;                       // its content once replaced; the old one where it must stay
    std::string success;                        // the line that says so; empty where it must fail
    std::string not_synced;                     // the line for a folder that cannot be synced
    bool twice = false;                         // the command runs twice: the second must work
};

const std::string GAME_NOT_SYNCED = "Error: mm7.exe is replaced, but its folder cannot be synced: ";
const std::string BLOCK_NOT_SYNCED = "Error: kept.blk is saved, but its folder cannot be synced: ";

// The sanitizers' leak check cannot run under a tracer.
const std::string STRACE = "env ASAN_OPTIONS=detect_leaks=0 strace -qq -e signal=none -o ";

// Why strace cannot serve here, or nullptr where it can.
const char* strace_missing()
{
    if (testing_windows())
        return "strace traces Linux programs only";
    if (system("strace -V >/dev/null 2>&1") != 0)
        return "strace is not installed";
    return nullptr;
}

class FaultInjectionTest : public ProgramTest {
protected:
    void set_up_folder(const Dialogue& d)
    {
        for (const std::string& name : files())
            std::remove(path(name).c_str());
        for (const auto& [name, bytes] : d.folder)
            put(name, bytes);
    }

    // What must hold after a run, whatever failed in it.
    void check_run(const Dialogue& d, const ProgramRun& result, const FaultPoint& fault,
                   const std::string& point)
    {
        std::string old_content = d.folder.contains(d.kept) ? d.folder.at(d.kept) : "<missing>";
        std::string left = get(d.kept);
        ASSERT_TRUE(left == old_content || left == d.replaced)
            << point << ": " << d.kept << " holds " << left.size() << " bytes of neither";
        std::set<std::string> expected;
        for (const auto& entry : d.folder)
            expected.insert(entry.first);
        if (left != "<missing>")
            expected.insert(d.kept);
        // Only a file the program says it could not remove may stay behind.
        size_t removal = result.err.find("Error: Cannot remove ");
        if (removal != std::string::npos) {
            std::string name = result.err.substr(removal + 21);
            EXPECT_TRUE(exists(name.substr(0, name.find(':')))) << point;
        } else {
            EXPECT_EQ(files(), expected) << point << ": something was left behind";
        }
        bool told_success = !d.success.empty() && result.out.find(d.success) != std::string::npos;
        bool told_error = result.err.find("Error: ") != std::string::npos;
        if (told_success) {
            EXPECT_EQ(left, d.replaced) << point << ": success told, but the file was not replaced";
        }
        if (result.status == 128 + SIGPIPE)
            return;  // the reader is gone: nothing more can be told
        EXPECT_TRUE(told_success || told_error) << point << ": nothing told\n" << result.err;
        if (left != d.replaced || d.success.empty()) {
            EXPECT_TRUE(told_error) << point << ": a failure not told";
        }
        // A failure on the new file itself is told as one, with the old file kept.
        if (fault.role == NEW_FILE_CALL && !d.twice) {
            EXPECT_EQ(left, old_content) << point << ": the new file was moved after a failure on it";
            EXPECT_FALSE(told_success) << point;
        }
        if (fault.role == FOLDER_SYNC) {
            EXPECT_EQ(left, d.replaced) << point;
            EXPECT_NE(result.err.find(d.not_synced + "Input/output error\n"), std::string::npos)
                << point << "\n" << result.err;
            if (!d.twice) {
                EXPECT_EQ(result.out.find(d.success), std::string::npos) << point;
            }
        }
        if (removal != std::string::npos && fault.call == "unlink") {
            EXPECT_NE(result.err.find(": Input/output error\n", removal), std::string::npos) << point;
        }
        // A failed first run holds nothing: the second, in the same program, goes through.
        if (d.twice && result.out.find("Skill block loaded.") != std::string::npos) {
            EXPECT_EQ(left, d.replaced) << point << ": the second run did not go through\n" << result.err;
            EXPECT_NE(result.out.find(d.success), std::string::npos) << point;
        }
        // A file that cannot be read is no file of the wrong length, nor invalid data.
        if (fault.call == "read") {
            EXPECT_NE(result.err.find("Error: Cannot read "), std::string::npos) << point << "\n"
                                                                                 << result.err;
        }
    }
};

TEST_F(FaultInjectionTest, EveryFailedFileOperationLeavesKeptFilesWhole)
{
    if (strace_missing() != nullptr)
        GTEST_SKIP() << strace_missing();
    const Dialogue dialogues[] = {
        {"I replaces the game", "L\nnew.blk\nI\nQ\n",
         {{"mm7.exe", OLD_GAME}, {"new.blk", NEW_TABLE}}, "mm7.exe", NEW_GAME,
         "Skills inserted into mm7.exe.", GAME_NOT_SYNCED},
        {"I twice", "L\nnew.blk\nI\nI\nQ\n", {{"mm7.exe", OLD_GAME}, {"new.blk", NEW_TABLE}},
         "mm7.exe", NEW_GAME, "Skills inserted into mm7.exe.", GAME_NOT_SYNCED, true},
        {"I refuses a game one byte too long", "L\nnew.blk\nI\nQ\n",
         {{"mm7.exe", OLD_GAME + "x"}, {"new.blk", NEW_TABLE}}, "mm7.exe", OLD_GAME + "x", "", ""},
        {"S replaces a block file", "L\nnew.blk\nS\nkept.blk\nQ\n",
         {{"kept.blk", OLD_TABLE}, {"new.blk", NEW_TABLE}}, "kept.blk", NEW_TABLE,
         "Skill block saved.", BLOCK_NOT_SYNCED},
        {"S makes a new block file", "L\nnew.blk\nS\nkept.blk\nQ\n", {{"new.blk", NEW_TABLE}},
         "kept.blk", NEW_TABLE, "Skill block saved.", BLOCK_NOT_SYNCED},
        {"E, then S saves what it read", "E\nS\nkept.blk\nQ\n", {{"mm7.exe", NEW_GAME}}, "kept.blk",
         NEW_TABLE, "Skill block saved.", BLOCK_NOT_SYNCED},
    };
    int points_tried = 0, new_file_points = 0, folder_syncs = 0;
    for (const Dialogue& d : dialogues) {
        set_up_folder(d);
        program_wrapper = STRACE + base_dir + "/trace";
        ProgramRun clean = run(d.input);
        ASSERT_EQ(clean.status, 0) << d.what << "\n" << clean.err;
        ASSERT_EQ(get(d.kept), d.replaced) << d.what;
        std::vector<FaultPoint> points = find_fault_points(read_whole_file(base_dir + "/trace"));
        ASSERT_GT(points.size(), 10u) << d.what;
        for (const FaultPoint& point : points) {
            std::string fault = point.call + ":error=" + (point.call == "write" ? "ENOSPC" : "EIO");
            if (point.line.starts_with("write(1,"))
                fault = "write:error=EPIPE:signal=PIPE";
            set_up_folder(d);
            program_wrapper = STRACE + "/dev/null -e inject=" + fault + ":when="
                              + std::to_string(point.occurrence);
            ProgramRun result = run(d.input);
            check_run(d, result, point, std::string(d.what) + ", " + fault + " at " + point.line);
            ++points_tried;
            new_file_points += point.role == NEW_FILE_CALL;
            folder_syncs += point.role == FOLDER_SYNC;
        }
    }
    program_wrapper.clear();
    std::printf("%d fault points tried, %d of them on a new file, %d folder syncs\n", points_tried,
                new_file_points, folder_syncs);
    EXPECT_GE(folder_syncs, 4);
}

TEST_F(FaultInjectionTest, AFailedLoadKeepsUnsavedEdits)
{
    if (strace_missing() != nullptr)
        GTEST_SKIP() << strace_missing();
    // Knight's Staff edited, then a load whose read fails: the save after it
    // must hold the edit, and the load must say why it did nothing.
    put("new.blk", NEW_TABLE);
    const std::string input = "C\n0\n0\nEMGG\nR\nL\nnew.blk\nS\nkept.blk\nQ\n";
    program_wrapper = STRACE + base_dir + "/trace";
    ASSERT_EQ(run(input).status, 0);
    std::remove(path("kept.blk").c_str());
    // The read of new.blk: the first read of the descriptor its open returned.
    std::istringstream trace(read_whole_file(base_dir + "/trace"));
    std::string descriptor;
    int reads = 0, failing_read = 0;
    for (std::string line; std::getline(trace, line) && failing_read == 0;) {
        if (line.starts_with("openat(") && line.find("\"new.blk\"") != std::string::npos)
            descriptor = line.substr(line.rfind("= ") + 2);
        if (!line.starts_with("read("))
            continue;
        ++reads;
        if (!descriptor.empty() && line.starts_with("read(" + descriptor + ","))
            failing_read = reads;
    }
    ASSERT_GT(failing_read, 0);
    program_wrapper = STRACE + "/dev/null -e inject=read:error=EIO:when=" + std::to_string(failing_read);
    ProgramRun result = run(input);
    program_wrapper.clear();
    EXPECT_EQ(result.err, "Error: Cannot read new.blk: Input/output error\n\n");
    std::string edited(BLOCK_SIZE, '\0');
    for (int stage = 0; stage < 4; ++stage)
        edited[cell(0, stage, 0)] = "\x02\x03\x04\x04"[stage];
    EXPECT_EQ(get("kept.blk"), edited);
}

}  // namespace
