// The commands L and S: the table from and to a skill block file.
#pragma once

int load_skill_block_file();

// S and I write nothing before a table was read or edited: 1, with the menu
// and the reason printed, while none was.
int refuse_unloaded_table();
int save_skill_block_file();
