// The core's table operations in this process: patches combined and made
// over many random tables, and a conflict with another run, level by level.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/table_operations.h"
#include "text/table_rows.h"

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

}  // namespace
