#pragma once

// The command I: the table written into mm7.exe through a complete patched copy.
int insert_into_game();
