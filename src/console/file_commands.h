// The menu's commands on files: E and I on the game, L and S on skill block
// files. Each asks what it needs, has the work done below, and tells its
// outcome under the main menu.
#pragma once

// E: the table read out of mm7.exe.
int extract_from_game();

// L: the table loaded from a skill block file.
int load_skill_block_file();

// I: the table written into mm7.exe through a complete patched copy.
int insert_into_game();

// S: the table saved to a skill block file.
int save_skill_block_file();
