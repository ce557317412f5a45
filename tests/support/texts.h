// What the program prints, written out here on their own so that a slip in
// the program's texts shows.
#pragma once

#include <string>

inline const std::string MENU =
    "\n\n\n\n"
    "                        Talbrecken's quick and dirty\n"
    "                             Might and Magic VII\n"
    "                          skill availability editor\n\n"
    "(E)  Extract skill table from MM7.EXE\n\n"
    "(L)  Load skill table from a skill block file\n\n"
    "(V)  View skill table\n\n"
    "(C)  Change skill table\n\n"
    "(I)  Insert skill table into MM7.EXE\n\n"
    "(S)  Save skill table to a skill block file\n\n"
    "(Q)  Quit\n\n\n\n";
inline const std::string START =
    MENU + "[Warning: Back up your mm7.exe file before using this program!]\n\n";
inline const std::string CHOICE = "Choice: ";
inline const std::string END = "\nEnjoy your game!\n";
inline const std::string NOT_LOADED = "No skill block loaded yet!\n\n";
inline const std::string INVALID_DATA = "Error: Skill block contains invalid data.  Cannot proceed.";
inline const std::string UNKNOWN_VERSION =
    "Sorry, this program doesn't recognize your version of mm7.exe.";
inline const std::string NO_GAME =
    "Error: Cannot open mm7.exe: No such file or directory\n\n"
    "This program expects to be in the same directory as mm7.exe.\n";

inline const std::string CLASS_MENU =
    "\n\n\n\n\n(0) Knight\n\n(1) Thief\n\n(2) Monk\n\n(3) Paladin\n\n(4) Archer\n\n(5) Ranger\n\n"
    "(6) Cleric\n\n(7) Druid\n\n(8) Sorcerer\n\n\n(R) Return to main menu\n\n";
inline const std::string CLASS_PROMPT = "\nPick a class to edit: ";
inline const std::string EDITOR_END = MENU + "Remember, save your work often!\n\n";
inline const std::string SKILL_MENU =
    "\n\n\n"
    "(0) Staff         (9)  Leather        (18) Body Magic     (29) Disarm Trap\n\n"
    "(1) Sword         (10) Chain          (19) Light Magic    (30) Dodge\n\n"
    "(2) Dagger        (11) Plate          (20) Dark Magic     (31) Unarmed\n\n"
    "(3) Axe           (12) Fire Magic     (21) Identify Item  (32) ID Monster\n\n"
    "(4) Spear         (13) Air Magic      (22) Merchant       (33) Arms Master\n\n"
    "(5) Bow           (14) Water Magic    (23) Repair         (34) Stealing\n\n"
    "(6) Mace          (15) Earth Magic    (24) Body Building  (35) Alchemy\n\n"
    "(7) Blaster       (16) Spirit Magic   (25) Meditation     (36) Learning\n\n"
    "(8) Shield        (17) Mind Magic     (26) Perception\n\n\n"
    "(R) Return to main menu     [Enter] Return to edit menu\n\n\n";
inline const std::string LEGEND =
    "\n\n\n\n"
    "Enter a sequence of four skill levels in the following order:\n\n"
    "Unpromoted, first promotion, light path promotion, dark path promotion.\n\n"
    "(0) or (-) No skill\n\n(1) or (B) Basic skill\n\n(2) or (E) Expert skill\n\n"
    "(3) or (M) Master skill\n\n(4) or (G) Grandmaster skill\n\n"
    "Examples: \"----\"   \"EMGG\"   \"--B-\"\n"
    "          \"0000\"   \"2344\"   \"0010\"\n\n\n"
    "(R) Return to edit menu\n\n\n";

inline const std::string SKILL_LABELS[37] = {
    "Staff        ", "Sword        ", "Dagger       ", "Axe          ", "Spear        ",
    "Bow          ", "Mace         ", "Blaster      ", "Shield       ", "Leather      ",
    "Chain        ", "Plate        ", "Fire Magic   ", "Air Magic    ", "Water Magic  ",
    "Earth Magic  ", "Spirit Magic ", "Mind Magic   ", "Body Magic   ", "Light Magic  ",
    "Dark Magic   ", "Identify Item", "Merchant     ", "Repair       ", "Body Building",
    "Meditation   ", "Perception   ", "",              "",              "Disarm Trap  ",
    "Dodge        ", "Unarmed      ", "ID Monster   ", "Arms Master  ", "Stealing     ",
    "Alchemy      ", "Learning     "};

constexpr int BLOCK_SIZE = 1332;
constexpr int BLOCK_OFFSET = 977040;
constexpr int GAME_SIZE = 1069056;
constexpr int cell(int class_index, int stage, int slot) { return slot + 37 * stage + 148 * class_index; }

// One screen of the viewer for a table, rows first_slot to last_slot, then
// `gap` and the viewer's prompt.
inline std::string viewer_screen(const std::string& block, int first_slot, int last_slot,
                                 const char* gap = "")
{
    std::string text =
        "\n\n"
        "             Knight  Thief  Monk Paladin Archer Ranger Cleric Druid Sorcerer\n"
        "              01LD   01LD   01LD   01LD   01LD   01LD   01LD   01LD   01LD\n";
    for (int slot = first_slot; slot <= last_slot; ++slot) {
        if (slot == 27 || slot == 28)
            continue;
        text += SKILL_LABELS[slot];
        for (int class_index = 0; class_index < 9; ++class_index) {
            text += " ";
            for (int stage = 0; stage < 4; ++stage)
                text += "-BEMG"[static_cast<int>(block[cell(class_index, stage, slot)])];
            text += "  ";
        }
        text += "\n";
    }
    return text + gap + "\n(N) Next screen    (R) Return to main menu    Choice:";
}

// The command line's usage, on standard output for --help, on standard error after a usage error.
inline const std::string USAGE =
    "Usage: skilltab                  the menu: run it in the game's folder\n"
    "       skilltab COMMAND FILE...\n"
    "\n"
    "For modders: the command line\n"
    "  skilltab show [FILE]          print FILE's table as text (FILE: mm7.exe)\n"
    "  skilltab convert FROM TO      write FROM's table to TO, in TO's kind\n"
    "  skilltab apply FROM... [TO]   write what the patches FROM set into TO\n"
    "                                (TO: mm7.exe; with one name, it is FROM)\n"
    "  skilltab apply --dry-run FROM... [TO]\n"
    "                                what apply would change, changing nothing\n"
    "  skilltab diff A B             one line per entry that differs in A and B\n"
    "  skilltab diff --patch A B     a patch that makes A into B\n"
    "  skilltab edit [FILE]          FILE's table in your editor ($VISUAL, $EDITOR\n"
    "                                or vi), the levels you change written back\n"
    "  skilltab show --html [FILE]   FILE's table as a web page\n"
    "  skilltab diff --html A B      B's table as a web page, what differs marked\n"
    "  skilltab serve [--port N] [--no-open] [FILE]\n"
    "                                FILE's table in your browser, changed by a click\n"
    "                                and saved as apply saves (FILE: mm7.exe)\n"
    "  skilltab --help, -h           this text\n"
    "  skilltab --version            the version\n"
    "\n"
    "A name that ends in .exe is a game executable, one that ends in .txt a text\n"
    "table, one that ends in .csv a table as a spreadsheet saves it, any other a\n"
    "skill block file. Only apply writes a game, the way the menu's I does. A text\n"
    "may be a patch that names only some classes and skills, and a level . in it\n"
    "is left as it is. Patches that set a level differently are a conflict: apply\n"
    "then writes nothing and names each.\n"
    "Exit status: 0 done; 1 failed, nothing changed unless the message says a file\n"
    "was replaced; 2 usage error. diff: 0 the same, 1 different, 2 trouble.\n";
