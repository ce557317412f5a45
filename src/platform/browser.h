// The user's web browser, opened on a file and never waited for.
#pragma once

// How opening the browser went.
enum class BrowserStart {
    STARTED,
    NO_BROWSER,   // nothing to start: no $BROWSER, and no desktop to ask (Linux)
    NOT_STARTED,  // the error number says why
};

// Starts the browser on the file, detached: $BROWSER where set (its words
// as the shell takes them, the file's name after them), else xdg-open where
// a desktop runs (DISPLAY or WAYLAND_DISPLAY); on Windows the shell's own
// way of opening the file.
BrowserStart open_browser(const char* file);
