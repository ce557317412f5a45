#pragma once

// The command E: the table from the skill block inside mm7.exe.
int extract_from_game();
