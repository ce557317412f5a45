// Tables through a real spreadsheet program, LibreOffice Calc run headless:
// what skilltab writes as CSV, Calc opens and saves again, and skilltab
// reads back as it was; a cell changed in Calc's own document comes back as
// that change alone; a table a person typed is read as they meant it.
#include <regex>
#include <string>

#include "stand_in_game.h"
#include "support/program_run.h"
#include "support/texts.h"

namespace {

const std::vector<unsigned char> TABLE = make_plausible_table();
const std::string BLOCK = as_string(TABLE);
const std::string GAME = as_string(make_stand_in_game(TABLE));

// Calc's own CSV filter: comma or semicolon, quotes, UTF-8; with
// QUOTED, every text cell in quotes.
std::string csv_filter(char separator, bool quoted = false)
{
    return "csv:Text - txt - csv (StarCalc):" + std::to_string(static_cast<int>(separator)) + ",34,76"
           + (quoted ? ",1,,0,true" : "");
}

class SpreadsheetTest : public ProgramTest {
protected:
    // The file converted by Calc, with a profile folder of this test's own,
    // into the folder `out`: its bytes.
    std::string convert(const std::string& name, const std::string& filter)
    {
        std::string out = path("out");
        int status = 0;
        std::string said = command_output("cd '" + work_dir + "' && rm -rf out && soffice -env:UserInstallation=file://"
                                              + base_dir + "/calc-profile --headless --infilter=CSV:44,34,76"
                                              + " --convert-to '" + filter + "' --outdir out '" + name + "'",
                                          &status);
        EXPECT_EQ(status, 0) << said;
        std::string converted = name.substr(0, name.rfind('.')) + "." + filter.substr(0, filter.find(':'));
        return get("out/" + converted);
    }
};

TEST_F(SpreadsheetTest, TablesGoThroughCalcAndComeBack)
{
    if (testing_windows())
        GTEST_SKIP() << "Calc runs on Linux here; the reading rules have their own test on both systems";
    if (std::system("command -v soffice >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "soffice (libreoffice-calc-nogui) is not installed";
    put("mm7.exe", GAME);
    put("patch.txt", "Skill Knight Sorcerer\nStaff -B.. ....\nSword ---- GGGG\nLearning 0123 ..E.\n");
    for (const char* table : {"mm7.exe", "patch.txt"}) {
        put("table.csv", "");
        ASSERT_EQ(run_command({"convert", table, "table.csv"}).status, 0) << table;
        const std::string shown = run_command({"show", table}).out;
        for (char separator : {',', ';'}) {
            put("saved.csv", convert("table.csv", csv_filter(separator)));
            ProgramRun back = run_command({"show", "saved.csv"});
            EXPECT_EQ(back.out, shown) << table << " saved with " << separator << ": " << back.err;
            if (separator == ',') {
                EXPECT_EQ(get("saved.csv"), get("table.csv")) << table << ": Calc saves it back as it was";
            }
        }
    }

    // A cell changed in Calc's own document, a flat ODS: the Knight's Staff.
    ASSERT_EQ(run_command({"convert", "mm7.exe", "table.csv"}).status, 0);
    std::string document = convert("table.csv", "fods");
    std::regex knight_staff("<text:p>Staff</text:p>\\s*</table:table-cell>\\s*<table:table-cell[^>]*>\\s*<text:p>"
                            "([-BEMG]{4})</text:p>");
    std::smatch found;
    ASSERT_TRUE(std::regex_search(document, found, knight_staff)) << document.substr(0, 3000);
    const std::string new_staff = found[1].str() == "GGGG" ? "EEEE" : "GGGG";
    document.replace(static_cast<size_t>(found.position(1)), 4, new_staff);
    put("changed.fods", document);
    put("changed.csv", convert("changed.fods", csv_filter(',')));
    put("game.exe", GAME);
    ProgramRun applied = run_command({"apply", "changed.csv", "game.exe"});
    EXPECT_EQ(applied.out, "Changed entries: 1\n") << applied.err;
    std::string expected = BLOCK;
    for (int stage = 0; stage < 4; ++stage)
        expected[cell(0, stage, 0)] = static_cast<char>(std::string("-BEMG").find(new_staff[stage]));
    EXPECT_TRUE(get("game.exe") == as_string(make_stand_in_game(std::vector<unsigned char>(expected.begin(), expected.end()))));

    // A table as a person types it: a trailing empty column, a blank row, a
    // name with a space after it and in lower case, lower-case levels, an
    // empty cell; saved with every text cell in quotes.
    const std::vector<std::vector<std::string>> typed = {
        {"Skill", "Knight", "Monk", ""}, {}, {"fire magic ", "emgg", ""}, {"Staff", "", "GGGG"}};
    std::string rows;
    for (const auto& row : typed) {
        rows += "<table:table-row>";
        for (const std::string& text : row)
            rows += "<table:table-cell office:value-type=\"string\"><text:p>" + text + "</text:p></table:table-cell>";
        rows += row.empty() ? "<table:table-cell/></table:table-row>" : "</table:table-row>";
    }
    put("typed.fods",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.3\" "
        "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:body><office:spreadsheet>"
        "<table:table table:name=\"Sheet1\">" + rows + "</table:table></office:spreadsheet></office:body></office:document>\n");
    put("typed.csv", convert("typed.fods", csv_filter(',', true)));
    ProgramRun read = run_command({"show", "typed.csv"});
    EXPECT_EQ(read.err, "") << get("typed.csv");
    EXPECT_EQ(read.out, std::string("# skilltab skill table: one row per skill, one column per class.\n"
                                    "# Each entry: unpromoted, first promotion, light path, dark path.\n"
                                    "# Levels: - none, B Basic, E Expert, M Master, G Grandmaster.\n"
                                    "Skill         Knight   Monk\n"
                                    "Staff         ....     GGGG\n"
                                    "Fire Magic    EMGG     ....\n"))
        << get("typed.csv");
}

}  // namespace
