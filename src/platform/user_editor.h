// The user's own editor, run on a text of the program's own.
#pragma once

#include <cstdio>

// The longest name of a text in the temporary folder, made whole.
constexpr int TEMPORARY_NAME_MAX = 4096;

// A new file named skilltab-XXXXXX.txt (six random letters and digits) in
// the temporary folder: TMPDIR, else /tmp; on Windows the folder that
// GetTempPathW names. It is made by this run alone, never over anything
// that stands there and never through a link, readable and writable by its
// owner alone. Its absolute name goes into path (TEMPORARY_NAME_MAX bytes
// and its end), and it is open for binary writing; or nullptr, with the
// error number set and path the name that was tried.
std::FILE* create_temporary_text(char* path);

// The same with another ending than ".txt" (at most 7 bytes, such as ".html").
std::FILE* create_temporary_file(char* path, const char* ending);

// How the editor ended.
enum class EditorEnd {
    DONE,         // exit status 0
    FAILED,       // another exit status, in status
    KILLED,       // by the signal in status
    NOT_STARTED,  // the error number says why
};

// Runs $VISUAL, else $EDITOR, else vi (an empty variable counts as unset)
// on the file, and waits for it. The variable may hold arguments, as a
// shell takes them, NAME=value words before the editor among them: it runs
// as `sh -c 'exec env $EDITOR "$@"' editor FILE`, so that no shell stands
// between the program and the editor when it ends. On
// Windows: %VISUAL%, else %EDITOR%, else notepad.exe, run with a space and
// the quoted name after it, the console's own code page put back while it
// runs. The editor has the program's standard input, output and error.
EditorEnd run_editor(const char* path, int* status);
