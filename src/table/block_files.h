// The commands L and S: the table from and to a skill block file.
#pragma once

int load_skill_block_file();

// S writes nothing before a table was read or edited, I nothing before one
// was read: 1, with the menu and the reason printed, while `loaded` is 0.
int refuse_unloaded_table(int loaded);
int save_skill_block_file();
