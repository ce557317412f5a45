// The browser on Linux: $BROWSER through the shell, or xdg-open, in a
// process of its own that the program never waits for.
#include "platform/browser.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

bool is_set(const char* variable)
{
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] != '\0';
}

}  // namespace

BrowserStart open_browser(const char* file)
{
    const char* command = nullptr;
    if (is_set("BROWSER"))
        command = "exec $BROWSER \"$1\" </dev/null >/dev/null 2>&1 &";
    else if (is_set("DISPLAY") || is_set("WAYLAND_DISPLAY"))
        command = "exec xdg-open \"$1\" </dev/null >/dev/null 2>&1 &";
    else
        return BrowserStart::NO_BROWSER;
    // The shell puts the browser in the background and ends at once: the
    // browser is the shell's child, never the program's, and is not waited for.
    char* words[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>(command),
                     const_cast<char*>("skilltab"), const_cast<char*>(file), nullptr};
    pid_t shell;
    int error_number = posix_spawn(&shell, "/bin/sh", nullptr, nullptr, words, environ);
    if (error_number != 0) {
        errno = error_number;
        return BrowserStart::NOT_STARTED;
    }
    int status = 0;
    while (waitpid(shell, &status, 0) < 0 && errno == EINTR) {
    }
    return BrowserStart::STARTED;
}
