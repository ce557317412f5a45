// C: the class, skill and progression prompts, every answer's outcome, and what lands in the table.
#include <vector>

#include "support/program_run.h"
#include "support/texts.h"

namespace {

const char* const CLASSES[9] = {"Knight", "Thief",  "Monk",  "Paladin", "Archer",
                                "Ranger", "Cleric", "Druid", "Sorcerer"};
const std::string NO_CLASS = CLASS_MENU + "No class selected.\n";
const std::string NO_SKILL = CLASS_MENU + "No skill selected.\n";
const std::string NOT_EDITED = CLASS_MENU + "No skills edited.\n";
const std::string BAD_LEVELS = CLASS_MENU + "Invalid characters entered.  No skills edited.\n"
                                            "Valid skill progression characters are: 01234-BEMG\n";
const std::string EDITED = CLASS_MENU + "Skill progression edited.\n";
const std::string SAVED = CHOICE + "Save to file name: " + MENU + "Skill block saved.\n\n" + CHOICE;
// S refused for want of a table; the file name line then reaches the main prompt.
const std::string NOT_SAVED = CHOICE + MENU + NOT_LOADED + CHOICE + CHOICE;
const std::string LEAVE = CLASS_PROMPT + NO_CLASS + EDITOR_END;  // R at the class prompt

std::string skill_prompt(int class_index)
{
    return CLASS_PROMPT + SKILL_MENU + "Pick a skill to edit for the " + CLASSES[class_index] + ": ";
}

std::string progression_prompt(int class_index, int slot)
{
    return LEGEND + "Enter the progression for the " + CLASSES[class_index] + "'s skill in "
           + SKILL_LABELS[slot] + ": ";
}

// The table left after an edit, all zero but the four entries given.
std::string edited_block(int class_index, int slot, const std::vector<int>& levels)
{
    std::string block(BLOCK_SIZE, '\0');
    for (int stage = 0; stage < 4; ++stage)
        block[cell(class_index, stage, slot)] = static_cast<char>(levels[stage]);
    return block;
}

class EditorTest : public ProgramTest {};

TEST_F(EditorTest, SkillAnswers)
{
    struct SkillCase {
        std::string answer;
        int slot;  // -1 where the answer is refused
        std::string refusal;
    };
    const SkillCase cases[] = {
        {"7", 7, ""},      {"07", 7, ""},      {"00", 0, ""},       {"36", 36, ""},
        {"29", 29, ""},    {"123", 12, ""},    {"9", 9, ""},
        {"27", -1, CLASS_MENU + "Invalid number.\n"},  {"28", -1, CLASS_MENU + "Invalid number.\n"},
        {"37", -1, CLASS_MENU + "Invalid number.\n"},  {"39", -1, CLASS_MENU + "Invalid number.\n"},
        {"40", -1, NO_SKILL}, {"99", -1, NO_SKILL}, {"4x", -1, NO_SKILL}, {"a", -1, NO_SKILL},
        {" 5", -1, NO_SKILL}, {"5 ", -1, NO_SKILL}, {"", -1, NO_SKILL},
        // The characters on either side of the digits are no digits.
        {"/", -1, NO_SKILL},  {":", -1, NO_SKILL},  {"/5", -1, NO_SKILL}, {"0/", -1, NO_SKILL},
        {"3:", -1, NO_SKILL}, {":0", -1, NO_SKILL},
    };
    for (const SkillCase& c : cases) {
        bool valid = c.slot >= 0;
        ProgramRun result = run("C\n3\n" + c.answer + "\n" + (valid ? "EMGG\n" : "") + "R\nS\nout.blk\nQ\n");
        std::string outcome = valid ? progression_prompt(3, c.slot) + EDITED : c.refusal;
        EXPECT_EQ(result.out, START + CHOICE + CLASS_MENU + skill_prompt(3) + outcome + LEAVE
                                  + (valid ? SAVED : NOT_SAVED) + END)
            << "skill answer '" << c.answer << "'";
        EXPECT_EQ(get("out.blk"), valid ? edited_block(3, c.slot, {2, 3, 4, 4}) : "<missing>")
            << c.answer;
        std::remove(path("out.blk").c_str());
    }
}

TEST_F(EditorTest, ProgressionAnswers)
{
    struct ProgressionCase {
        std::string answer;
        std::vector<int> levels;  // empty where nothing may change
        std::string outcome;
    };
    const ProgressionCase cases[] = {
        {"EMGG", {2, 3, 4, 4}, EDITED},  {"emgg", {2, 3, 4, 4}, EDITED},
        {"--b-", {0, 0, 1, 0}, EDITED},  {"0000", {0, 0, 0, 0}, EDITED},
        {"1234", {1, 2, 3, 4}, EDITED},  {"EMGGX", {2, 3, 4, 4}, EDITED},
        {"-B-B", {0, 1, 0, 1}, EDITED},  {"gGmM", {4, 4, 3, 3}, EDITED},
        {"EMG", {}, NOT_EDITED},         {"", {}, NOT_EDITED},
        {"EMGX", {}, BAD_LEVELS},        {"EMG ", {}, BAD_LEVELS},
        {"xMGG", {}, BAD_LEVELS},        {"EmGa", {}, BAD_LEVELS},
        {"..G.", {}, BAD_LEVELS},  // a level a patch leaves as it is is a text's alone
    };
    for (const ProgressionCase& c : cases) {
        ProgramRun result = run("C\n8\n0\n" + c.answer + "\nR\nS\nout.blk\nQ\n");
        bool edited = !c.levels.empty();
        EXPECT_EQ(result.out, START + CHOICE + CLASS_MENU + skill_prompt(8) + progression_prompt(8, 0)
                                  + c.outcome + LEAVE + (edited ? SAVED : NOT_SAVED) + END)
            << "progression '" << c.answer << "'";
        if (edited) {
            EXPECT_EQ(get("out.blk"), edited_block(8, 0, c.levels)) << c.answer;
        }
        std::remove(path("out.blk").c_str());
    }
}

TEST_F(EditorTest, AnswersThatLeaveTheEditor)
{
    struct LeaveCase {
        std::string input;
        std::string editor;  // everything the editor prints, up to the main menu
        std::string after;   // what follows the reminder under the main menu
    };
    const LeaveCase cases[] = {
        {"C\nR\nQ\n", CLASS_PROMPT + NO_CLASS, CHOICE},
        {"C\nr\nQ\n", CLASS_PROMPT + NO_CLASS, CHOICE},
        {"C\n/\n:\nr\nQ\n", CLASS_PROMPT + NO_CLASS + CLASS_PROMPT + NO_CLASS + CLASS_PROMPT + NO_CLASS,
         CHOICE},
        {"C\n4\nR\nQ\n", skill_prompt(4) + NO_SKILL, CHOICE},
        {"C\n5\n5\nr\nQ\n", skill_prompt(5) + progression_prompt(5, 5) + NOT_EDITED, CHOICE},
        {"C\nq\n", CLASS_PROMPT + NO_CLASS, ""},
        {"C\n9\nR\nQ\n", CLASS_PROMPT + NO_CLASS + CLASS_PROMPT + NO_CLASS, CHOICE},
        {"C\n\n5\nR\nQ\n", CLASS_PROMPT + NO_CLASS + CLASS_PROMPT + NO_CLASS, CHOICE},
        {"C\n0\nQ\n", skill_prompt(0) + NO_SKILL, ""},
        {"C\n0\n\nR\nQ\n", skill_prompt(0) + NO_SKILL + CLASS_PROMPT + NO_CLASS, CHOICE},
        {"C\n0\n0\nR\nQ\n", skill_prompt(0) + progression_prompt(0, 0) + NOT_EDITED, CHOICE},
        {"C\n0\n0\nRRRR\nQ\n", skill_prompt(0) + progression_prompt(0, 0) + BAD_LEVELS, CHOICE},
        {"C\n1\n5\nEEEE\n2\n16\nqqqq\n", skill_prompt(1) + progression_prompt(1, 5) + EDITED
                                             + skill_prompt(2) + progression_prompt(2, 16) + BAD_LEVELS,
         ""},
        // The input ends at each of the three prompts.
        {"C\n", CLASS_PROMPT + NO_CLASS, ""},
        {"C\n0\n", skill_prompt(0) + NO_SKILL, ""},
        {"C\n0\n5\nEM", skill_prompt(0) + progression_prompt(0, 5) + BAD_LEVELS, ""},
    };
    for (const LeaveCase& c : cases) {
        ProgramRun result = run(c.input);
        EXPECT_EQ(result.out, START + CHOICE + CLASS_MENU + c.editor + EDITOR_END + c.after + END)
            << c.input;
        EXPECT_EQ(result.status, 0);
    }
}

TEST_F(EditorTest, EveryClassByName)
{
    // One edit for each class; its name stands in the skill and progression prompts.
    std::string input = "C\n";
    std::string shown;
    std::string block(BLOCK_SIZE, '\0');
    for (int class_index = 0; class_index < 9; ++class_index) {
        int slot = 3 * class_index + 2;  // 2 to 26: no unnamed slot
        input += std::to_string(class_index) + "\n" + std::to_string(slot) + "\nBEMG\n";
        shown += skill_prompt(class_index) + progression_prompt(class_index, slot) + EDITED;
        for (int stage = 0; stage < 4; ++stage)
            block[cell(class_index, stage, slot)] = static_cast<char>(stage + 1);
    }
    ProgramRun result = run(input + "R\nS\nout.blk\nQ\n");
    EXPECT_EQ(result.out, START + CHOICE + CLASS_MENU + shown + LEAVE + SAVED + END);
    EXPECT_EQ(get("out.blk"), block);
}

}  // namespace
