#pragma once

// The banner and the command list; every command prints it before its outcome.
void show_main_menu();
