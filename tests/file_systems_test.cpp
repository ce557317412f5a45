// I and S where players keep their games: FAT and exFAT partitions mounted
// through FUSE, on loop devices, as root and as an ordinary user. There
// every spelling of a name is one file, though FUSE may show each as a file
// of its own, and the file systems keep no permission bits.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "stand_in_game.h"
#include "support/program_run.h"
#include "support/texts.h"

namespace {

constexpr int NOBODY = 65534;

struct FileSystem {
    const char* name;
    const char* make;   // makes it in the image {image}
    const char* mount;  // mounts {device} at {folder} for the user {id}
    const char* tools;
};

const FileSystem FILE_SYSTEMS[] = {
    {"exFAT", "mkfs.exfat {image}", "mount.exfat-fuse -o uid={id},gid={id},allow_other {device} {folder}",
     "mkfs.exfat mount.exfat-fuse"},
    {"FAT", "mkfs.fat {image}", "fusefat -o rw+,allow_other,uid={id},gid={id} {device} {folder}",
     "mkfs.fat fusefat"},
};

std::string filled(std::string command, const std::map<std::string, std::string>& values)
{
    for (const auto& [key, value] : values) {
        for (size_t at; (at = command.find("{" + key + "}")) != std::string::npos;)
            command.replace(at, key.size() + 2, value);
    }
    return command;
}

// Why the file systems cannot be made here, or nullptr where they can.
const char* machine_lacks()
{
    if (geteuid() != 0)
        return "loop devices and mounts need root";
    if (access("/dev/loop-control", F_OK) != 0)
        return "the machine has no loop devices";
    if (access("/dev/fuse", F_OK) != 0)
        return "the machine has no FUSE";
    for (const FileSystem& file_system : FILE_SYSTEMS) {
        if (system(("command -v losetup setpriv " + std::string(file_system.tools) + " >/dev/null").c_str()) != 0)
            return "losetup, setpriv, exfatprogs, exfat-fuse, dosfstools or fusefat is not installed";
    }
    return nullptr;
}

class FileSystemsTest : public ProgramTest {
protected:
    // Mounts a new file system of the kind at work_dir, owned by the user.
    bool mount_new(const FileSystem& file_system, int user)
    {
        chmod(base_dir.c_str(), 0755);  // the ordinary user must reach it
        std::string image = base_dir + "/disk.img";
        int status = 0;
        std::string output = command_output("truncate -s 16M " + image + " && "
                                                + filled(file_system.make, {{"image", image}}) + " >/dev/null",
                                            &status);
        if (status != 0) {
            ADD_FAILURE() << output;
            return false;
        }
        device = command_output("losetup -f --show " + image, &status);
        device = device.substr(0, device.find('\n'));
        if (status != 0) {
            ADD_FAILURE() << device;
            device.clear();
            return false;
        }
        output = command_output(filled(file_system.mount, {{"device", device}, {"folder", work_dir},
                                                           {"id", std::to_string(user)}})
                                    + " >/dev/null",
                                &status);
        mounted = status == 0;
        EXPECT_TRUE(mounted) << output;
        return mounted;
    }

    void unmount()
    {
        int status = 0;
        if (mounted) {
            // A process still in the folder (a Wine server started there) keeps
            // it busy; a lazy unmount lets go of it all the same.
            bool unmounted = system(("umount " + work_dir).c_str()) == 0
                             || system(("umount -l " + work_dir).c_str()) == 0;
            EXPECT_TRUE(unmounted);
        }
        if (!device.empty())
            command_output("losetup -d " + device, &status);
        mounted = false;
        device.clear();
    }

    void TearDown() override
    {
        unmount();
        ProgramTest::TearDown();
    }

    unsigned mode(const std::string& name) const
    {
        struct stat status = {};
        stat(path(name).c_str(), &status);
        return status.st_mode & 07777;
    }

    std::string device;
    bool mounted = false;
};

TEST_F(FileSystemsTest, InsertAndSaveOnFatAndExfat)
{
    if (machine_lacks() != nullptr) {
        std::printf("file systems skipped: %s\n", machine_lacks());
        GTEST_SKIP() << machine_lacks();
    }
    // Two runs of this test at once (two build trees tested side by side)
    // made fusefat fail writes now and then: they take turns, by a lock on
    // the loop devices' control, which every run sees, whatever its /tmp.
    int turn = open("/dev/loop-control", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(turn, 0);
    ASSERT_EQ(flock(turn, LOCK_EX), 0);
    std::vector<unsigned char> table = make_plausible_table();
    const std::string game = as_string(make_stand_in_game(table));
    for (int stage = 0; stage < 4; ++stage)
        table[cell(0, stage, 0)] = "\x02\x03\x04\x04"[stage];
    const std::string edited_game = as_string(make_stand_in_game(table));
    // Mm7.exe is the game there, and MM7_NEW.EXE the copy's name.
    const std::string input = "E\nC\n0\n0\nEMGG\nR\nI\nS\nMm7.exe\nS\nMM7_NEW.EXE\nS\nx.blk\nS\nx.blk\nL\nx.blk\nQ\n";
    const std::string REFUSED = "No!  Bad user!  Don't overwrite the whole game with just the skills!\n";
    std::string tried;
    for (const FileSystem& file_system : FILE_SYSTEMS) {
        for (int user : {0, NOBODY}) {
            if (user != 0 && testing_windows())
                continue;  // Wine's prefix is root's
            std::string what = std::string(file_system.name) + (user == 0 ? " as root" : " as an ordinary user");
            if (!mount_new(file_system, user)) {
                close(turn);
                return;
            }
            put("mm7.exe", game);
            program_wrapper = user == 0 ? "" : "setpriv --reuid=65534 --regid=65534 --clear-groups";
            ProgramRun result = run(input);
            program_wrapper.clear();
            EXPECT_EQ(result.status, 0) << what;
            EXPECT_EQ(result.err, "Error: MM7_NEW.EXE is kept for the copy of mm7.exe that I makes.\n\n") << what;
            size_t inserted = result.out.find("Skills inserted into mm7.exe.");
            size_t refused = result.out.find(REFUSED, inserted);
            size_t saved = result.out.find("Skill block saved.", refused);
            EXPECT_TRUE(inserted != std::string::npos && refused != std::string::npos && saved != std::string::npos
                        && result.out.find("Skill block saved.", saved + 1) != std::string::npos
                        && result.out.find("Skill block loaded.", saved) != std::string::npos)
                << what << "\n" << result.out;
            EXPECT_TRUE(get("mm7.exe") == edited_game) << what << ": mm7.exe is not the edited game";
            EXPECT_EQ(get("x.blk"), as_string(table)) << what;
            EXPECT_EQ(files(), (std::set<std::string>{"mm7.exe", "x.blk"})) << what;
            // The bits are the mount's, the same for every file, as for one the test made.
            put("probe", "");
            EXPECT_EQ(mode("mm7.exe"), mode("probe")) << what;
            EXPECT_EQ(mode("x.blk"), mode("probe")) << what;
            unmount();
            tried += (tried.empty() ? "" : ", ") + what;
        }
    }
    std::printf("file systems tried: %s\n", tried.c_str());
    close(turn);  // also lets go of the lock
}

}  // namespace
