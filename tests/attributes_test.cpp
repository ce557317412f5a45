// What a saved or inserted file takes over from the one it replaces on
// Linux: user.* attributes and the access ACL, never security.* or
// trusted.*, and never more access for anyone than the old file gave.
#include <sys/stat.h>
#include <unistd.h>

#include "stand_in_game.h"
#include "support/program_run.h"
#include "support/texts.h"

namespace {

const std::string BLOCK = as_string(make_plausible_table());

// Why the tools or the file system cannot serve here, or nullptr where they can.
const char* tools_missing(const std::string& folder)
{
    if (testing_windows())
        return "ACLs and extended attributes are Linux's";
    if (system("command -v setfacl getfacl setfattr getfattr strace >/dev/null") != 0)
        return "setfacl, getfattr (packages acl and attr) or strace is not installed";
    if (system(("setfattr -n user.probe -v 1 '" + folder + "' 2>/dev/null && setfacl -m u:nobody:r '"
                + folder + "' 2>/dev/null && setfacl -b '" + folder + "'").c_str())
        != 0)
        return "the test folder's file system has no user attributes or ACLs";
    return nullptr;
}

class AttributesTest : public ProgramTest {
protected:
    std::string shell(const std::string& command)
    {
        int status = 0;
        std::string output = command_output("cd '" + work_dir + "' && " + command, &status);
        EXPECT_EQ(status, 0) << command << "\n" << output;
        return output;
    }
    std::string acl(const std::string& name) { return shell("getfacl -cp '" + name + "'"); }
    std::string attributes(const std::string& name)
    {
        return shell("getfattr -d -m - --absolute-names '" + name + "' | grep -v posix_acl || true");
    }
    unsigned mode(const std::string& name)
    {
        struct stat status;
        EXPECT_EQ(stat(path(name).c_str(), &status), 0);
        return status.st_mode & 07777;
    }
};

TEST_F(AttributesTest, AttributesAndAclKeptWithoutWideningAccess)
{
    if (tools_missing(work_dir) != nullptr)
        GTEST_SKIP() << tools_missing(work_dir);
    put("in.blk", BLOCK);
    put("mm7.exe", as_string(make_stand_in_game(make_plausible_table())));
    // A named user with rw-: the mask is rw-, so the mode's group bits show
    // rw- though the owning group itself may only read.
    const std::string SET_UP = "chmod 640 {f} && setfacl -m u:nobody:rw-,g::r-- {f}"
                               " && setfattr -n user.origin -v made-by-hand {f}";
    const bool root = geteuid() == 0;
    struct AttributeCase {
        const char* what;
        std::string name;
        std::string input;
        bool attributes_fail;  // every fsetxattr fails
    };
    const AttributeCase cases[] = {
        {"S", "kept.blk", "L\nin.blk\nS\nkept.blk\nQ\n", false},
        {"S, attributes refused", "kept.blk", "L\nin.blk\nS\nkept.blk\nQ\n", true},
        {"I", "mm7.exe", "E\nI\nQ\n", false},
        {"I, attributes refused", "mm7.exe", "E\nI\nQ\n", true},
    };
    for (const AttributeCase& c : cases) {
        if (c.name == "kept.blk")
            put("kept.blk", std::string(BLOCK_SIZE, '\1'));
        std::string set_up = SET_UP;
        for (size_t at; (at = set_up.find("{f}")) != std::string::npos;)
            set_up.replace(at, 3, c.name);
        shell(set_up);
        if (root)  // only root may set them; neither may come along
            shell("setfattr -n trusted.note -v kept-back " + c.name + " && setfattr -n security.note -v kept-back "
                  + c.name + " 2>/dev/null || true");
        const std::string old_acl = acl(c.name);
        program_wrapper = c.attributes_fail ? "env ASAN_OPTIONS=detect_leaks=0 strace -qq -o /dev/null -e inject=fsetxattr:error=EIO" : "";
        ProgramRun result = run(c.input);
        program_wrapper.clear();
        EXPECT_EQ(result.err, "") << c.what;
        EXPECT_EQ(result.status, 0) << c.what;
        if (c.attributes_fail) {
            // No ACL, no attribute; the owning group keeps its own r--, not the mask's rw-.
            EXPECT_EQ(mode(c.name), 0640u) << c.what;
            EXPECT_EQ(acl(c.name), "user::rw-\ngroup::r--\nother::---\n\n") << c.what;
            EXPECT_EQ(attributes(c.name), "") << c.what;
        } else {
            EXPECT_EQ(acl(c.name), old_acl) << c.what;
            EXPECT_EQ(attributes(c.name), "# file: " + c.name + "\nuser.origin=\"made-by-hand\"\n\n") << c.what;
        }
        shell("setfacl -b " + c.name + " && chmod 644 " + c.name);
    }
}

TEST_F(AttributesTest, AclInheritedFromTheFolderGoes)
{
    if (tools_missing(work_dir) != nullptr)
        GTEST_SKIP() << tools_missing(work_dir);
    // A file made before its folder had a default ACL has none of its own;
    // the new file that replaces it must not let in whom the default names.
    // Where that ACL cannot be taken off, the save fails and the old file stays.
    put("in.blk", BLOCK);
    mkdir(path("shared").c_str(), 0755);
    const std::string old_block(BLOCK_SIZE, '\1');
    put("shared/kept.blk", old_block);
    chmod(path("shared/kept.blk").c_str(), 0600);
    shell("setfacl -d -m u:nobody:rwx shared");
    for (bool removal_fails : {true, false}) {
        program_wrapper = removal_fails
                              ? "env ASAN_OPTIONS=detect_leaks=0 strace -qq -o /dev/null -e inject=fremovexattr:error=EIO"
                              : "";
        ProgramRun result = run("L\nin.blk\nS\nshared/kept.blk\nQ\n");
        program_wrapper.clear();
        EXPECT_EQ(result.err, removal_fails ? "Error: Cannot write shared/kept.blk: Input/output error\n\n" : "");
        EXPECT_EQ(get("shared/kept.blk"), removal_fails ? old_block : BLOCK);
        EXPECT_EQ(acl("shared/kept.blk"), "user::rw-\ngroup::---\nother::---\n\n");
        EXPECT_EQ(mode("shared/kept.blk"), 0600u);
        EXPECT_EQ(shell("ls shared"), "kept.blk\n");
    }
}

}  // namespace
