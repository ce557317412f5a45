// The editor on Windows: a program started with the text's name after it.
#include "platform/user_editor.h"

#include <cerrno>
#include <cwchar>
#include <initializer_list>
#include <windows.h>

#include "platform/console.h"
#include "platform/files.h"

namespace {

constexpr DWORD VARIABLE_MAX = 32767;  // UTF-16 units of the longest environment variable
constexpr int RANDOM_LETTERS = 6;

// The editor's command: %VISUAL%, else %EDITOR%, else notepad.exe.
void find_editor(wchar_t* editor)
{
    for (const wchar_t* variable : {L"VISUAL", L"EDITOR"}) {
        DWORD length = GetEnvironmentVariableW(variable, editor, VARIABLE_MAX + 1);
        if (length > 0 && length <= VARIABLE_MAX)
            return;
    }
    std::wcscpy(editor, L"notepad.exe");
}

// Six letters and digits that differ from run to run and from try to try.
void fill_random_letters(wchar_t* letters, unsigned attempt)
{
    static const wchar_t ALPHABET[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned long long seed = GetTickCount64() * 2654435761u ^ GetCurrentProcessId() * 40503u ^ attempt * 97u;
    for (int i = 0; i < RANDOM_LETTERS; ++i) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        letters[i] = ALPHABET[(seed >> 33) % 36];
    }
}

}  // namespace

std::FILE* create_temporary_text(char* path)
{
    return create_temporary_file(path, ".txt");
}

std::FILE* create_temporary_file(char* path, const char* ending)
{
    wchar_t wide[MAX_PATH + 32];
    DWORD folder = GetTempPathW(MAX_PATH + 1, wide);
    std::snprintf(path, TEMPORARY_NAME_MAX + 1, "%%TEMP%%\\skilltab-XXXXXX%s", ending);
    if (folder == 0 || folder > MAX_PATH) {
        set_error_number_from_windows();
        return nullptr;
    }
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        std::swprintf(wide + folder, 32, L"skilltab-XXXXXX");
        size_t end = folder + 15;
        for (size_t i = 0; ending[i] != '\0' && i < 7; ++i)
            wide[end++] = static_cast<wchar_t>(ending[i]);  // the ending is ASCII
        wide[end] = L'\0';
        fill_random_letters(wide + folder + 9, attempt);
        BOOL used_default = FALSE;
        int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, path, TEMPORARY_NAME_MAX + 1,
                                         nullptr, GetACP() == CP_UTF8 ? nullptr : &used_default);
        if (length == 0 || used_default) {
            errno = EILSEQ;  // a folder this program could not name again
            return nullptr;
        }
        HANDLE file = CreateFileW(wide, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return open_stream_for_handle(file, "wb");
        if (GetLastError() != ERROR_FILE_EXISTS) {
            set_error_number_from_windows();
            return nullptr;
        }
    }
    errno = EEXIST;
    return nullptr;
}

namespace {

// The editor's command line started with the program's standard handles: true, or false with the
// Windows error left for the caller.
bool start_editor(wchar_t* command, PROCESS_INFORMATION* process)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return CreateProcessW(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, process);
}

// While the editor runs, Ctrl-C and Ctrl-Break are its own: the program
// waits for it to end, as on Linux, rather than end and leave the text.
BOOL WINAPI ignore_interrupt(DWORD event)
{
    return answer_console_event_number(ConsoleHandler::EDITOR, event);
}

}  // namespace

EditorEnd run_editor(const char* path, int* status)
{
    // Room for the command interpreter's words around the editor's command.
    constexpr size_t INTERPRETER = 32;
    static wchar_t command[INTERPRETER + VARIABLE_MAX + 1 + MAX_PATH + 64];
    wchar_t* editor = command + INTERPRETER;
    find_editor(editor);
    size_t length = std::wcslen(editor);
    std::wcscpy(editor + length, L" \"");
    int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, editor + length + 2, MAX_PATH + 32);
    if (units == 0) {
        set_error_number_from_windows();
        return EditorEnd::NOT_STARTED;
    }
    std::wcscat(editor, L"\"");
    PROCESS_INFORMATION process = {};
    lend_console();
    SetConsoleCtrlHandler(ignore_interrupt, TRUE);
    static wchar_t tried[INTERPRETER + VARIABLE_MAX + 1 + MAX_PATH + 64];
    std::wcscpy(tried, editor);  // CreateProcessW may change the command line it is given
    BOOL started = start_editor(tried, &process);
    if (!started && GetLastError() == ERROR_FILE_NOT_FOUND) {
        // A batch file, such as code.cmd for "code --wait", which only the
        // command interpreter finds and runs; /s keeps the quotes within.
        size_t words = std::wcslen(L"cmd.exe /d /s /c \"");
        std::wmemcpy(command + INTERPRETER - words, L"cmd.exe /d /s /c \"", words);
        std::wcscat(editor, L"\"");  // the interpreter's words end where the editor's command ends
        started = start_editor(command + INTERPRETER - words, &process);
    }
    if (!started) {
        set_error_number_from_windows();
        SetConsoleCtrlHandler(ignore_interrupt, FALSE);
        take_console_back();
        return EditorEnd::NOT_STARTED;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exit_code = 1;
    GetExitCodeProcess(process.hProcess, &exit_code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    SetConsoleCtrlHandler(ignore_interrupt, FALSE);
    take_console_back();
    *status = static_cast<int>(exit_code);
    return exit_code == 0 ? EditorEnd::DONE : EditorEnd::FAILED;
}
