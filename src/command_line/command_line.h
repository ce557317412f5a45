// The command line, for scripts and modders: show, convert, apply, diff and
// edit, and show and diff as web pages, on game executables, skill block
// files and text tables alike.
#pragma once

// Runs the command that the arguments (the program's name not among them)
// ask for; returns the exit status.
int run_command_line(int count, char** arguments);
