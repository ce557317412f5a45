#include "console/menu_table.h"

unsigned char skill_table[SKILL_BLOCK_SIZE];
int table_loaded;
int table_read;
std::int32_t byte_counter;
