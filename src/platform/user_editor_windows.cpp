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
    wchar_t wide[MAX_PATH + 32];
    DWORD folder = GetTempPathW(MAX_PATH + 1, wide);
    std::snprintf(path, TEMPORARY_NAME_MAX + 1, "%%TEMP%%\\skilltab-XXXXXX.txt");
    if (folder == 0 || folder > MAX_PATH) {
        set_error_number_from_windows();
        return nullptr;
    }
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        std::swprintf(wide + folder, 32, L"skilltab-XXXXXX.txt");
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

EditorEnd run_editor(const char* path, int* status)
{
    static wchar_t command[VARIABLE_MAX + 1 + MAX_PATH + 64];
    find_editor(command);
    size_t length = std::wcslen(command);
    std::wcscpy(command + length, L" \"");
    int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, command + length + 2, MAX_PATH + 32);
    if (units == 0) {
        set_error_number_from_windows();
        return EditorEnd::NOT_STARTED;
    }
    std::wcscat(command, L"\"");
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    PROCESS_INFORMATION process = {};
    lend_console();
    BOOL started = CreateProcessW(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    if (!started) {
        set_error_number_from_windows();
        take_console_back();
        return EditorEnd::NOT_STARTED;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exit_code = 1;
    GetExitCodeProcess(process.hProcess, &exit_code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    take_console_back();
    *status = static_cast<int>(exit_code);
    return exit_code == 0 ? EditorEnd::DONE : EditorEnd::FAILED;
}
