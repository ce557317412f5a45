// The core's table operations and table files in this process: patches
// combined and made over many random tables, a conflict with another run,
// level by level, each ending of a change, the readers' rules, the game's
// names and what a person is shown of a name.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/table_files.h"
#include "core/table_operations.h"
#include "pages/table_page.h"
#include "platform/replace.h"
#include "text/csv_table.h"
#include "text/edit_text.h"
#include "text/shown_text.h"
#include "text/table_rows.h"
#include "text/text_table.h"

namespace {

// A whole table at level `level`, or, with `levels` given for one entry
// ("BE.."; '.' a level it leaves unset), a patch of that entry alone.
Table make_table(int level, int class_index = -1, int slot = -1, const char* levels = nullptr)
{
    Table table;
    unsigned char block[SKILL_BLOCK_SIZE];
    std::memset(block, level, sizeof block);
    fill_whole_table(&table, block);
    if (levels == nullptr)
        return table;
    clear_table(&table);
    EXPECT_TRUE(set_entry(&table, {class_index, slot}, levels));
    return table;
}

TEST(CoreTest, AnEntryChangedMeanwhileIsOneTheUserChangedToSomethingElse)
{
    constexpr int KNIGHT = 0, STAFF = 0;
    const Table shown = make_table(1);
    Table change = make_table(0, KNIGHT, STAFF, "GGGG");
    EXPECT_TRUE(keep_changed_levels(&change, &shown));
    Table unchanged = make_table(0, KNIGHT, STAFF, "BBBB");
    EXPECT_FALSE(keep_changed_levels(&unchanged, &shown));
    struct {
        const char* fault;
        int class_index, slot;
        int level;
        bool conflict;
    } const ROWS[] = {
        {"another entry taken for the user's", KNIGHT, STAFF + 1, 3, false},
        {"the user's own change taken for another run's", KNIGHT, STAFF, 4, false},
        {"another run's change of the user's entry missed", KNIGHT, STAFF, 3, true},
        {"another run's lowering of the user's level missed", KNIGHT, STAFF, 0, true},
    };
    for (const auto& row : ROWS) {
        Table now = shown;
        for (int stage = 0; stage < STAGE_COUNT; ++stage)
            now.levels[table_index(row.class_index, stage, row.slot)] = static_cast<unsigned char>(row.level);
        EXPECT_EQ(!conflicting_entries(now, shown, change).empty(), row.conflict)
            << row.fault;
    }
}

// A table that names each class and skill by chance and sets by chance
// the levels of the entries it names; its levels are `like`'s, some changed.
Table random_table(std::mt19937& random, const Table* like)
{
    std::bernoulli_distribution often(0.75), seldom(0.2);
    std::uniform_int_distribution<int> level(0, 4);
    Table table;
    clear_table(&table);
    for (bool& named : table.classes)
        named = often(random);
    for (bool& named : table.skills)
        named = often(random);
    for (int index = 0; index < SKILL_BLOCK_SIZE; ++index) {
        int class_index = index / (SKILL_COUNT * STAGE_COUNT), slot = index % SKILL_COUNT;
        table.set[index] = names_entry(&table, class_index, slot) && often(random);
        table.levels[index] = static_cast<unsigned char>(seldom(random) ? level(random) : like->levels[index]);
        table.levels[index] = table.set[index] ? table.levels[index] : 0;
    }
    return table;
}

TEST(CoreTest, APatchOfADifferenceMakesTheOneIntoTheOther)
{
    std::mt19937 random(26);
    Table base = make_table(0);
    for (unsigned char& level : base.levels)
        level = static_cast<unsigned char>(random() % 5);
    for (int round = 0; round < 300; ++round) {
        const Table first = random_table(random, &base), second = random_table(random, &base),
                    third = random_table(random, &base);
        Table patch;
        make_patch(&first, &second, &patch);
        Table applied = first, elsewhere = third;
        write_change(&applied, &patch);
        write_change(&elsewhere, &patch);
        for (int index = 0; index < SKILL_BLOCK_SIZE; ++index) {
            bool both = first.set[index] && second.set[index];
            bool differ = both && first.levels[index] != second.levels[index];
            // Applied to the first: the second, wherever both set a level; nothing else changes.
            ASSERT_EQ(applied.levels[index], both ? second.levels[index] : first.levels[index]) << round << " " << index;
            // Applied to another table: only the levels in which the two differ.
            if (!differ) {
                ASSERT_EQ(elsewhere.levels[index], third.levels[index]) << round << " " << index;
            }
            ASSERT_EQ(patch.set[index], differ) << round << " " << index;
        }
    }
}

TEST(CoreTest, PatchesConflictOnlyWhereTheySetALevelDifferently)
{
    constexpr int KNIGHT = 0, STAFF = 0;
    struct {
        const char* fault;
        const char* levels[3];  // three patches of the Knight's Staff
        bool conflict;
        int first, second;  // the first two that differ
        std::string combined;
    } const ROWS[] = {
        {"levels set alike taken for a conflict", {"G...", "G...", "..M."}, false, 0, 0, "G.M."},
        {"a conflict of the first two missed", {"G...", "M...", "...."}, true, 0, 1, ""},
        {"the first pair not the one named", {"..B.", "G...", "..E."}, true, 0, 2, ""},
        {"the later pair named before an earlier one", {"G...", "..B.", "..E."}, true, 1, 2, ""},
        {"a later stage's pair named before the earliest", {"G...", ".B..", "EE.."}, true, 0, 2, ""},
    };
    for (const auto& row : ROWS) {
        std::vector<Table> patches;
        for (const char* levels : row.levels)
            patches.push_back(make_table(0, KNIGHT, STAFF, levels));
        CombinedPatches combined;
        combine_patches(patches, &combined);
        ASSERT_EQ(combined.conflicts.size(), row.conflict ? 1u : 0u) << row.fault;
        if (row.conflict) {
            EXPECT_EQ(combined.conflicts[0].entry.class_index, KNIGHT) << row.fault;
            EXPECT_EQ(combined.conflicts[0].entry.slot, STAFF) << row.fault;
            EXPECT_EQ(combined.conflicts[0].first, row.first) << row.fault;
            EXPECT_EQ(combined.conflicts[0].second, row.second) << row.fault;
            continue;
        }
        char entry[ENTRY_SIZE];
        format_table_entry(&combined.combined, KNIGHT, STAFF, entry);
        EXPECT_EQ(entry, row.combined) << row.fault;
    }
}

TEST(CoreTest, LineNumbersHaveRoomForAnyFile)
{
    // A text of more than 2^31 lines names its line right on every system.
    Table table;
    TextError text_error;
    RowChecks checks;
    begin_rows(&checks, &table, &text_error);
    checks.line_number = (1LL << 32) + 5;
    EXPECT_EQ(refuse(&checks, "too few fields"), TextRead::REFUSED);
    EXPECT_EQ(text_error.line, (1LL << 32) + 5);
}

// A folder of the test's own, the working folder while it lasts.
class CoreFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/skilltab-core-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        previous = std::filesystem::current_path();
        std::filesystem::current_path(folder);
    }
    void TearDown() override
    {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
    }
    static void put(const std::string& name, const std::string& bytes)
    {
        std::ofstream(name, std::ios::binary) << bytes;
    }
    static std::string get(const std::string& name)
    {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string folder;
    std::filesystem::path previous;
};

std::string block_of(const Table& table)
{
    return std::string(reinterpret_cast<const char*>(table.levels), SKILL_BLOCK_SIZE);
}

TEST_F(CoreFilesTest, AChangeEndsInOneOfFourWays)
{
    constexpr Entry STAFF_KNIGHT = {0, 0};
    const Table shown = make_table(1);
    Table change;
    clear_table(&change);
    ASSERT_TRUE(set_entry(&change, STAFF_KNIGHT, "G..."));
    Table written = shown;
    write_change(&written, &change);
    Table theirs = shown;  // another run's change of the same level
    Table other;
    clear_table(&other);
    set_entry(&other, STAFF_KNIGHT, "M...");
    write_change(&theirs, &other);
    struct {
        const char* fault;
        std::string before;  // the file as the call finds it
        bool held;           // another run holds the folder meanwhile
        ChangeEnd end;
        int count;
        std::string after;
    } const ROWS[] = {
        {"a change not written", block_of(shown), false, ChangeEnd::WRITTEN, 1, block_of(written)},
        {"the very change made again", block_of(written), false, ChangeEnd::NONE, 0, block_of(written)},
        {"another run's change of the user's level overwritten", block_of(theirs), false, ChangeEnd::CONFLICT, 0,
         block_of(theirs)},
        {"a held folder not waited for", block_of(shown), true, ChangeEnd::FAILED, 0, block_of(shown)},
    };
    for (const auto& row : ROWS) {
        put("kept.blk", row.before);
        TableFile file;
        ASSERT_EQ(find_table_file(&file, "kept.blk"), 0);
        Replacement holder;
        if (row.held) {
            ASSERT_EQ(begin_replacement(&holder, "other.blk", nullptr), 0);
        }
        ChangeResult result = change_table(file, change, &shown);
        if (row.held)
            abandon_replacement(&holder);
        EXPECT_EQ(result.end, row.end) << row.fault;
        EXPECT_EQ(result.count, row.count) << row.fault;
        EXPECT_EQ(get("kept.blk"), row.after) << row.fault;
        if (!row.held) {
            EXPECT_EQ(block_of(result.now) == row.before, true) << row.fault << ": not the table read under the lock";
        }
        EXPECT_EQ(result.file.error_number, row.held ? EWOULDBLOCK : 0) << row.fault;
        EXPECT_EQ(change_succeeded(result), row.end == ChangeEnd::WRITTEN || row.end == ChangeEnd::NONE) << row.fault;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), std::filesystem::directory_iterator{}), 1)
            << row.fault << ": a new file left behind";
    }
}

TEST_F(CoreFilesTest, TargetsAndTheGamesNames)
{
    put("mm7.exe", "game");
    put("mm7_new.exe", "copy");
    std::filesystem::create_directory("sub");
    put("sub/mm7.exe", "another game");
    std::filesystem::create_symlink("mm7.exe", "link.blk");
    std::filesystem::create_hard_link("mm7.exe", "hard.blk");
    std::filesystem::create_hard_link("sub/mm7.exe", "sub/hard.blk");
    struct {
        const char* name;
        GameName any_folder, current_or_own;
        Target written, changed;
    } const ROWS[] = {
        {"kept.blk", GameName::NONE, GameName::NONE, Target::ALLOWED, Target::ALLOWED},
        // A link is followed to the game itself; another name of it is the game all the same.
        {"link.blk", GameName::GAME, GameName::GAME, Target::GAME_WRITTEN, Target::ALLOWED},
        {"hard.blk", GameName::GAME, GameName::GAME, Target::SAME_AS_GAME, Target::SAME_AS_GAME},
        {"sub/hard.blk", GameName::NONE, GameName::GAME, Target::SAME_AS_GAME, Target::SAME_AS_GAME},
        // The menu keeps a table from a game's name in any folder; the command line from the game beside it.
        {"sub/MM7.EXE.", GameName::GAME, GameName::NONE, Target::GAME_WRITTEN, Target::ALLOWED},
        {"elsewhere/mm7_new.exe", GameName::COPY, GameName::NONE, Target::GAME_WRITTEN, Target::COPY_OF_GAME},
        {"/mm7_new.exe", GameName::COPY, GameName::NONE, Target::GAME_WRITTEN, Target::COPY_OF_GAME},  // in the root
        {"patch.txt", GameName::NONE, GameName::NONE, Target::ALLOWED, Target::TEXT_CHANGED},
        {"patch.CSV", GameName::NONE, GameName::NONE, Target::ALLOWED, Target::TEXT_CHANGED},
    };
    for (const auto& row : ROWS) {
        TableFile file;
        ASSERT_EQ(find_table_file(&file, row.name), 0) << row.name;
        EXPECT_EQ(find_game_name(file.final_name, GameNameRule::ANY_FOLDER), row.any_folder) << row.name;
        EXPECT_EQ(find_game_name(file.final_name, GameNameRule::CURRENT_OR_OWN_FOLDER), row.current_or_own)
            << row.name;
        EXPECT_EQ(check_target(file, TargetUse::WRITE), row.written) << row.name;
        EXPECT_EQ(check_target(file, TargetUse::CHANGE), row.changed) << row.name;
    }
}

// A text and a CSV read from a stream: the rules that both forms share
// through text_bytes, one row a fault.
TEST(CoreTest, TextFormsTakeLineEndsAndMarksAlike)
{
    using Reader = TextRead (*)(std::FILE*, Table*, TextError*);
    struct {
        const char* fault;
        Reader read;
        std::string text;
        TextRead outcome;
        long long line;
        const char* staff;  // the Knight's Staff as read
    } const ROWS[] = {
        {"CR LF taken as a byte", read_text_table, "Skill Knight\r\nStaff GGGG\r\n", TextRead::DONE, 0, "GGGG"},
        {"a byte-order mark taken as a word", read_text_table, "\xEF\xBB\xBFSkill Knight\nStaff BBBB\n", TextRead::DONE,
         0, "BBBB"},
        {"a last line ending in CR alone refused", read_text_table, "Skill Knight\nStaff EEEE\r", TextRead::DONE, 0,
         "EEEE"},
        {"a CR inside a line dropped", read_text_table, "Skill Knight\nStaff EE\rEE\n", TextRead::REFUSED, 2, ""},
        {"CSV: CR LF inside quotes kept as CR", read_csv_table, "Skill,Knight\r\n\"Staff\",GGGG\r\n", TextRead::DONE, 0,
         "GGGG"},
        {"CSV: a last row ending in CR alone refused", read_csv_table, "Skill,Knight\nStaff,MMMM\r", TextRead::DONE, 0,
         "MMMM"},
        {"CSV: a NUL after a CR let through", read_csv_table, std::string("Skill,Knight\r\nStaff,\r\0\n", 22), TextRead::REFUSED, 2, ""},
    };
    for (const auto& row : ROWS) {
        std::FILE* file = std::tmpfile();
        std::fwrite(row.text.data(), 1, row.text.size(), file);
        std::rewind(file);
        Table table;
        TextError text_error;
        EXPECT_EQ(row.read(file, &table, &text_error), row.outcome) << row.fault << ": " << text_error.message;
        std::fclose(file);
        if (row.outcome != TextRead::DONE) {
            EXPECT_EQ(text_error.line, row.line) << row.fault;
            continue;
        }
        char entry[ENTRY_SIZE];
        format_table_entry(&table, 0, 0, entry);
        EXPECT_STREQ(entry, row.staff) << row.fault;
    }
}

// edit knows a text saved unchanged however an editor saved it, and takes
// off its own two lines of a mistake before the text is read.
TEST(CoreTest, EditsTextIsKnownAgain)
{
    const std::string TEXT = "Skill Knight\nStaff GGGG\n";
    TextError text_error = {2, "unknown skill: Stafff", false};
    const std::string MISTAKE = format_mistake_lines(text_error, CodePage::UTF8);
    EXPECT_EQ(MISTAKE, "# skilltab: line 2: unknown skill: Stafff\n"
                       "# Mend the text and save it, or save it unchanged to give up.\n");
    struct {
        const char* fault;
        std::string saved;
        bool same;           // its digest is the text's
        std::string after;   // what is left once the mistake lines are skipped
    } const ROWS[] = {
        {"CR LF taken for a change", "Skill Knight\r\nStaff GGGG\r\n", true, "Skill Knight\r\nStaff GGGG\r\n"},
        {"a byte-order mark taken for a change", "\xEF\xBB\xBF" + TEXT, true, TEXT},
        {"the last line end taken for a change", "Skill Knight\nStaff GGGG", true, "Skill Knight\nStaff GGGG"},
        {"a changed level missed", "Skill Knight\nStaff GGGM\n", false, "Skill Knight\nStaff GGGM\n"},
        {"a CR inside a line taken as a line end", "Skill Knight\rStaff GGGG\n", false, "Skill Knight\rStaff GGGG\n"},
        {"the mistake lines left in", MISTAKE + TEXT, false, TEXT},
        {"the mistake lines saved with CR LF left in",
         "# skilltab: x\r\n# Mend the text and save it, or save it unchanged to give up.\r\n" + TEXT, false, TEXT},
        {"a tab in the first mistake line taken as its end", "# skilltab: a\tb\n# Mend the text and save it, or save it unchanged to give up.\n" + TEXT,
         false, TEXT},
        {"a user's own comment taken off", "# skilltab: x\n# my note\n" + TEXT, false,
         "# skilltab: x\n# my note\n" + TEXT},
    };
    auto stream_of = [](const std::string& bytes) {
        std::FILE* file = std::tmpfile();
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::rewind(file);
        return file;
    };
    TextDigest written;
    std::FILE* original = stream_of(TEXT);
    ASSERT_TRUE(digest_text(original, &written));
    std::fclose(original);
    for (const auto& row : ROWS) {
        std::FILE* file = stream_of(row.saved);
        TextDigest saved;
        ASSERT_TRUE(digest_text(file, &saved));
        EXPECT_EQ(same_digest(saved, written), row.same) << row.fault;
        std::rewind(file);
        skip_mistake_lines(file);
        std::string rest;
        for (int c; (c = std::fgetc(file)) != EOF;)
            rest += static_cast<char>(c);
        EXPECT_EQ(rest, row.after) << row.fault;
        std::fclose(file);
    }
}

// What a person is shown of a name: in a message, and on a page.
TEST(CoreTest, NamesAreShownSafely)
{
    struct {
        const char* fault;
        std::string name;
        std::string message, other_code_page, page;
    } const ROWS[] = {
        {"printable bytes changed", "Knight's \"mod\" <1> & \xC3\xA9t\xC3\xA9", "Knight's \"mod\" <1> & \xC3\xA9t\xC3\xA9",
         "Knight's \"mod\" <1> & \xC3\xA9t\xC3\xA9", "Knight&#39;s &quot;mod&quot; &lt;1&gt; &amp; \xC3\xA9t\xC3\xA9"},
        {"an escape sequence let through", "Staff\x1b[2J", "Staff?[2J", "Staff?[2J", "Staff?[2J"},
        {"the 8-bit CSI let through", "Staff\x9b" "2J", "Staff?2J", "Staff\x9b" "2J", "Staff\xEF\xBF\xBD" "2J"},
        {"curly quotes of Windows-1252 let through", "\x93mod\x94", "?mod?", "\x93mod\x94",
         "\xEF\xBF\xBDmod\xEF\xBF\xBD"},
        {"a byte above 0x9F taken for a control", "caf\xE9", "caf\xE9", "caf\xE9", "caf\xEF\xBF\xBD"},
        {"U+0085 let through", "a\xC2\x85z", "a?z", "a?z", "a?z"},
        {"a direction control let through", "\xE2\x80\xAEtxt.exe", "?txt.exe", "?txt.exe", "?txt.exe"},
        {"the Arabic letter mark let through", "a\xD8\x9Cz", "a?z", "a?z", "a?z"},
    };
    for (const auto& row : ROWS) {
        EXPECT_EQ(shown_text(row.name.c_str(), CodePage::UTF8), row.message) << row.fault;
        EXPECT_EQ(shown_text(row.name.c_str(), CodePage::OTHER), row.other_code_page) << row.fault;
        std::string page;
        add_escaped(&page, row.name.c_str());
        EXPECT_EQ(page, row.page) << row.fault;
    }
}

TEST(CoreTest, AnEntryIsSetFromItsLetters)
{
    Table table;
    clear_table(&table);
    EXPECT_FALSE(set_entry(&table, {8, 36}, "GGXG"));
    EXPECT_FALSE(table.classes[8] || table.skills[36] || table.set[table_index(8, 0, 36)]);
    EXPECT_TRUE(set_entry(&table, {8, 36}, "g.3-"));
    char entry[ENTRY_SIZE];
    format_table_entry(&table, 8, 36, entry);
    EXPECT_STREQ(entry, "G.M-");
    EXPECT_TRUE(table.classes[8] && table.skills[36]);
}

}  // namespace
