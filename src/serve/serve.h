// skilltab serve: the table of a game or a skill block file as a page in
// the user's browser, on this computer only (127.0.0.1), behind a secret
// token in the address's fragment; each Save one change through the core,
// under the file's lock, as apply writes.
#pragma once

// Runs serve with the words after it; returns the exit status (0 stopped
// by Ctrl-C, SIGTERM, SIGHUP or the page's Quit, on Windows also by
// Ctrl-Break and a closed console, each after a save under way; 1 refused
// or failed; 2 a usage error).
int run_serve(int count, char** words);
