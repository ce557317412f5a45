// The console on Windows: typed lines read as UTF-16 and converted to the
// program's code page, the console's code page put back at the end, and a
// window opened by a double-click kept open until Enter.
#include "platform/console.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

namespace {

constexpr int LONGEST_CHARACTER = 4;  // bytes of one character in any code page

// The UTF-16 units of the character at text[i]: two for a surrogate pair.
int character_units(const wchar_t* text, int i, int length)
{
    bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF;
    bool low_follows = i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    return high && low_follows ? 2 : 1;
}

// The bytes of one character, or 0 when the code page cannot represent it.
int convert_character(const wchar_t* character, int units, unsigned code_page,
                      char (&bytes)[LONGEST_CHARACTER])
{
    if (code_page == CP_UTF8) {
        // A lone surrogate is no character at all.
        return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, character, units, bytes,
                                   LONGEST_CHARACTER, nullptr, nullptr);
    }
    BOOL used_default = FALSE;
    int count = WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, character, units, bytes,
                                    LONGEST_CHARACTER, nullptr, &used_default);
    return used_default ? 0 : count;
}

constexpr int ARGUMENTS_MAX = 64;
constexpr int LINE_UNITS = 4096;  // UTF-16 units read at once, a whole typed line
constexpr wchar_t CTRL_Z = 0x1A;

HANDLE console_input;  // set while standard input is a console
UINT found_output_code_page;
char line_bytes[4 * LINE_UNITS];
bool line_unusable[4 * LINE_UNITS];
int line_length;
int line_position;
bool console_ended;

// Input from a pipe or a file comes as bytes: a byte 0x1A is a byte like any
// other, and only a carriage return before a line feed is dropped.
int read_piped_byte()
{
    int c = _getc_nolock(stdin);
    if (c != '\r')
        return c;
    int next = _getc_nolock(stdin);
    if (next == '\n')
        return next;
    if (next != EOF)
        ungetc(next, stdin);
    return c;
}

// A real console, not merely a character device such as NUL.
bool is_real_console(DWORD which)
{
    DWORD mode;
    return GetConsoleMode(GetStdHandle(which), &mode);
}

void put_code_page_back()
{
    SetConsoleOutputCP(found_output_code_page);
}

BOOL WINAPI put_code_page_back_on_signal(DWORD event)
{
    put_code_page_back();
    return answer_console_event_number(ConsoleHandler::CODE_PAGE, event);
}

// Held while the program is stopped from the system's thread, so that the
// program never takes its stop away in the middle of one.
SRWLOCK serving_lock = SRWLOCK_INIT;
void (*stop_serving)(void*);
void* serving_context;

BOOL WINAPI stop_on_close(DWORD event)
{
    return answer_console_event_number(ConsoleHandler::SERVING, event);
}

// The event of a handler's number; false for one this program does not know.
bool read_console_event(DWORD number, ConsoleEvent* event)
{
    switch (number) {
    case CTRL_C_EVENT: *event = ConsoleEvent::INTERRUPT; return true;
    case CTRL_BREAK_EVENT: *event = ConsoleEvent::BREAK; return true;
    case CTRL_CLOSE_EVENT: *event = ConsoleEvent::CLOSE; return true;
    case CTRL_LOGOFF_EVENT: *event = ConsoleEvent::LOGOFF; return true;
    case CTRL_SHUTDOWN_EVENT: *event = ConsoleEvent::SHUTDOWN; return true;
    }
    return false;
}

void wait_for_enter()
{
    std::fflush(stdout);
    std::fprintf(stdout, "\nPress Enter to close this window.");
    std::fflush(stdout);
    wchar_t line[LINE_UNITS];
    DWORD count;
    ReadConsoleW(GetStdHandle(STD_INPUT_HANDLE), line, LINE_UNITS, &count, nullptr);
}

// Reads the next typed line and converts it; false once the console has ended.
bool read_console_line()
{
    wchar_t typed[LINE_UNITS];
    DWORD count = 0;
    if (console_ended || !ReadConsoleW(console_input, typed, LINE_UNITS, &count, nullptr) || count == 0) {
        console_ended = true;
        return false;
    }
    int units = static_cast<int>(count);
    for (int i = 0; i < units; ++i) {
        if (typed[i] == CTRL_Z) {  // the end of the input, as a text stream takes it
            units = i;
            console_ended = true;
            break;
        }
    }
    line_length = convert_typed_text(typed, units, GetACP(), line_bytes, line_unusable,
                                     static_cast<int>(sizeof line_bytes));
    line_position = 0;
    return true;
}

int read_arguments(int* count, char*** arguments)
{
    static char* converted[ARGUMENTS_MAX + 1];
    int wide_count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &wide_count);
    if (wide == nullptr)
        return 0;  // the C library's own arguments, then
    if (wide_count > ARGUMENTS_MAX)
        wide_count = ARGUMENTS_MAX;
    bool usable = true;
    for (int i = 0; i < wide_count; ++i) {
        int units = static_cast<int>(std::wcslen(wide[i]));
        int capacity = 4 * units + 1;
        converted[i] = static_cast<char*>(std::malloc(static_cast<size_t>(capacity)));
        bool* marks = static_cast<bool*>(std::malloc(static_cast<size_t>(capacity)));
        if (converted[i] == nullptr || marks == nullptr)
            return -1;
        int length = convert_typed_text(wide[i], units, GetACP(), converted[i], marks, capacity - 1);
        converted[i][length] = '\0';
        for (int b = 0; b < length; ++b)
            usable = usable && !marks[b];
        std::free(marks);
    }
    LocalFree(wide);
    converted[wide_count] = nullptr;
    *count = wide_count;
    *arguments = converted;
    return usable ? 0 : -1;
}

}  // namespace

int answer_console_event_number(ConsoleHandler handler, unsigned long number)
{
    ConsoleEvent event;
    if (!read_console_event(number, &event))
        return FALSE;
    switch (answer_console_event(handler, event)) {
    case ConsoleAnswer::PASS_ON: return FALSE;
    case ConsoleAnswer::SWALLOW: return TRUE;
    case ConsoleAnswer::STOP_AND_WAIT:
        AcquireSRWLockExclusive(&serving_lock);
        if (stop_serving != nullptr)
            stop_serving(serving_context);
        ReleaseSRWLockExclusive(&serving_lock);
        // The program's end ends this thread too; returning would end the
        // program at once, in the middle of a save.
        Sleep(INFINITE);
        return TRUE;
    }
    return FALSE;
}

void stop_when_console_closes(void (*stop)(void* context), void* context)
{
    AcquireSRWLockExclusive(&serving_lock);
    stop_serving = stop;
    serving_context = context;
    ReleaseSRWLockExclusive(&serving_lock);
    SetConsoleCtrlHandler(stop_on_close, stop != nullptr);  // asked before the code page's handler
}

int set_up_console(int* count, char*** arguments)
{
    int error_number = errno;
    bool input_console = is_real_console(STD_INPUT_HANDLE);
    bool output_console = is_real_console(STD_OUTPUT_HANDLE);
    bool error_console = is_real_console(STD_ERROR_HANDLE);
    set_up_buffers(output_console);
    if (input_console)
        console_input = GetStdHandle(STD_INPUT_HANDLE);
    else
        _setmode(_fileno(stdin), _O_BINARY);
    if (output_console || error_console) {
        // Names are printed as the program holds them, in its own code page.
        // Only error lines carry names, each written whole; in text mode the
        // C library would pass each byte through its locale on the way to a
        // console and break every character of more than one byte. The
        // console makes a line feed a new line by itself.
        found_output_code_page = GetConsoleOutputCP();
        std::atexit(put_code_page_back);
        SetConsoleCtrlHandler(put_code_page_back_on_signal, TRUE);
        SetConsoleOutputCP(GetACP());
        if (error_console)
            _setmode(_fileno(stderr), _O_BINARY);
    }
    DWORD processes[2];
    if (keeps_window_open(GetConsoleProcessList(processes, 2), input_console, output_console))
        std::atexit(wait_for_enter);  // runs before the code page goes back
    errno = error_number;
    int read = read_arguments(count, arguments);
    if (*count > 1)
        _setmode(_fileno(stdout), _O_BINARY);
    return read;
}

int read_input_byte(bool* unusable)
{
    *unusable = false;
    if (console_input == nullptr)
        return read_piped_byte();
    while (line_position == line_length) {
        if (!read_console_line())
            return EOF;
    }
    *unusable = line_unusable[line_position];
    return static_cast<unsigned char>(line_bytes[line_position++]);
}

void lend_console()
{
    if (found_output_code_page != 0)
        put_code_page_back();
}

void take_console_back()
{
    if (found_output_code_page != 0)
        SetConsoleOutputCP(GetACP());
}

void strip_pasted_quotes(char* name)
{
    size_t length = std::strlen(name);
    if (length >= 2 && name[0] == '"' && name[length - 1] == '"') {
        std::memmove(name, name + 1, length - 2);
        name[length - 2] = '\0';
    }
}

int count_code_page_characters(const char* text, int length)
{
    if (GetACP() == CP_UTF8)
        return -1;
    int characters = 0;
    for (int i = 0; i < length; ++i, ++characters) {
        if (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < length)
            ++i;
    }
    return characters;
}

int convert_typed_text(const wchar_t* text, int length, unsigned code_page, char* bytes,
                       bool* unusable, int capacity)
{
    int count = 0;
    for (int i = 0; i < length; ++i) {
        if (text[i] == L'\r' && i + 1 < length && text[i + 1] == L'\n')
            continue;
        int units = character_units(text, i, length);
        char character[LONGEST_CHARACTER];
        int size = convert_character(text + i, units, code_page, character);
        i += units - 1;
        bool usable = size > 0;
        if (!usable) {
            character[0] = '?';
            size = 1;
        }
        if (count + size > capacity)
            break;
        for (int k = 0; k < size; ++k) {
            bytes[count] = character[k];
            unusable[count++] = !usable;
        }
    }
    return count;
}

bool input_is_terminal()
{
    return is_real_console(STD_INPUT_HANDLE);
}

bool error_is_terminal()
{
    return is_real_console(STD_ERROR_HANDLE);
}

bool code_page_is_utf8()
{
    return GetACP() == CP_UTF8;
}

void take_back_error_line(int length)
{
    // A console that takes no escape sequences: the line written over with spaces.
    std::fputc('\r', stderr);
    for (int i = 0; i < length; ++i)
        std::fputc(' ', stderr);
    std::fputc('\r', stderr);
}
