// The commands L and S: the table from and to a skill block file.
#pragma once

int load_skill_block_file();
int save_skill_block_file();
