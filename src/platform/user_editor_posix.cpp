// The editor on Linux and other POSIX systems: through the shell.
#include "platform/user_editor.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const char* editor_command()
{
    for (const char* variable : {"VISUAL", "EDITOR"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0')
            return value;
    }
    return "vi";
}

}  // namespace

std::FILE* create_temporary_text(char* path)
{
    return create_temporary_file(path, ".txt");
}

std::FILE* create_temporary_file(char* path, const char* ending)
{
    const char* folder = std::getenv("TMPDIR");
    if (folder == nullptr || folder[0] == '\0')
        folder = "/tmp";
    char absolute[PATH_MAX];
    const char* whole = realpath(folder, absolute);
    int length = std::snprintf(path, TEMPORARY_NAME_MAX + 1, "%s/skilltab-XXXXXX%s", whole ? whole : folder, ending);
    if (whole == nullptr)
        return nullptr;
    if (length > TEMPORARY_NAME_MAX) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    int file = mkostemps(path, static_cast<int>(std::strlen(ending)), O_CLOEXEC);  // O_EXCL, mode 0600
    if (file < 0)
        return nullptr;
    std::FILE* stream = fdopen(file, "wb");
    if (stream == nullptr) {
        int error_number = errno;
        unlink(path);
        close(file);
        errno = error_number;
    }
    return stream;
}

EditorEnd run_editor(const char* path, int* status)
{
    const char* editor = editor_command();
    // The shell only reads the words: exec puts the editor in its place, so
    // that how the editor ended (a Ctrl-C it took, a signal that killed it)
    // is told by no shell in between, and env takes NAME=value words before
    // the editor's name, which exec would not.
    size_t size = std::strlen(editor) + sizeof "exec env  \"$@\"";
    char* command = static_cast<char*>(std::malloc(size));
    if (command == nullptr)
        return EditorEnd::NOT_STARTED;
    std::snprintf(command, size, "exec env %s \"$@\"", editor);
    // While the editor runs, Ctrl-C and Ctrl-\ are its own: the program
    // waits for it to end, and the editor starts with their usual actions.
    struct sigaction ignore = {}, old_interrupt, old_quit;
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGINT, &ignore, &old_interrupt);
    sigaction(SIGQUIT, &ignore, &old_quit);
    posix_spawnattr_t attributes;
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGQUIT);
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    char* words[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), command, const_cast<char*>(editor),
                     const_cast<char*>(path), nullptr};
    pid_t editor_process;
    int error_number = posix_spawn(&editor_process, "/bin/sh", nullptr, &attributes, words, environ);
    posix_spawnattr_destroy(&attributes);
    std::free(command);
    int wait_status = 0;
    while (error_number == 0 && waitpid(editor_process, &wait_status, 0) < 0) {
        if (errno != EINTR)
            error_number = errno;
    }
    sigaction(SIGINT, &old_interrupt, nullptr);
    sigaction(SIGQUIT, &old_quit, nullptr);
    if (error_number != 0) {
        errno = error_number;
        return EditorEnd::NOT_STARTED;
    }
    if (WIFSIGNALED(wait_status)) {
        *status = WTERMSIG(wait_status);
        return EditorEnd::KILLED;
    }
    *status = WEXITSTATUS(wait_status);
    return *status == 0 ? EditorEnd::DONE : EditorEnd::FAILED;
}
