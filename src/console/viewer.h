// The command V: the table on two screens.
#pragma once

int view_first_screen();
void view_second_screen();
