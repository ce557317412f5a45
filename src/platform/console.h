// The console, where Linux and Windows differ.
#pragma once

// Unbuffered standard output on a console, so that every prompt is on the
// screen before its answer is read; 512-byte blocks otherwise. Standard
// error is never buffered. The program's arguments, its name first, as the
// system handed them over; with any, standard output is bytes, with LF line
// ends on every system, for the text that the command line writes. On
// Windows the arguments are read as UTF-16 and converted like typed text
// (-1 where one holds a character the program's code page lacks); on a
// Windows console, also: names print in the program's code page, and the
// console's own code page is put back however the program ends; a window
// the program was started in by a double-click stays open until Enter once
// the program has ended. 0, or -1.
int set_up_console(int* count, char*** arguments);

// Unbuffered standard output on a console, 512-byte blocks otherwise;
// standard error never buffered. Part of set_up_console.
void set_up_buffers(bool output_console);

// The next byte of standard input, or EOF once it has ended. From a pipe or
// a file the bytes are taken as they come. On a Windows console each typed
// line is read as UTF-16 and handed on in the program's code page, and a
// Ctrl-Z ends the input; `unusable` then marks a byte that stands for a
// character this code page cannot represent.
int read_input_byte(bool* unusable);

// Whether standard input, and standard error, are a terminal that a person
// types at and reads (on Windows, a console).
bool input_is_terminal();
bool error_is_terminal();

// Whether the program's code page, in which its messages reach the terminal,
// is UTF-8: always on Linux; on Windows, where the program's manifest took.
bool code_page_is_utf8();

// Takes away the line of `length` characters just written to standard error
// without a line end, as a terminal can; where it cannot (a dumb terminal),
// ends the line instead, so that it stays.
void take_back_error_line(int length);

// Whether the window stays open at the end: only when the program is the
// one process on its console, as when it was started by a double-click, not
// from a Command Prompt, PowerShell or a pipe.
constexpr bool keeps_window_open(unsigned long console_processes, bool input_is_console,
                                 bool output_is_console)
{
    return console_processes == 1 && input_is_console && output_is_console;
}

// The events a Windows console sends the programs on it, and what each of
// this program's handlers answers. The system asks the handler registered
// last first; one that passes an event on leaves it to the one before, and
// at the end to the C library (Ctrl-C and Ctrl-Break become the signals
// SIGINT and SIGBREAK) or the system, which ends the program. After a
// closed console, a logoff or a shutdown the system ends the program as
// soon as a handler returns, or after about five seconds: a handler that
// stops the program then waits there for it to end by itself.
enum class ConsoleEvent { INTERRUPT, BREAK, CLOSE, LOGOFF, SHUTDOWN };
enum class ConsoleHandler {
    CODE_PAGE,  // from the start: puts the console's code page back
    EDITOR,     // while the user's editor runs, which takes Ctrl-C itself
    SERVING,    // while serve runs, which must finish a save under way
};
enum class ConsoleAnswer { PASS_ON, SWALLOW, STOP_AND_WAIT };  // SWALLOW: taken, nothing done

constexpr ConsoleAnswer answer_console_event(ConsoleHandler handler, ConsoleEvent event)
{
    bool typed = false;  // Ctrl-C or Ctrl-Break, rather than the console going away
    switch (event) {
    case ConsoleEvent::INTERRUPT:
    case ConsoleEvent::BREAK: typed = true; break;
    case ConsoleEvent::CLOSE:
    case ConsoleEvent::LOGOFF:
    case ConsoleEvent::SHUTDOWN: typed = false; break;
    }
    switch (handler) {
    case ConsoleHandler::CODE_PAGE: return ConsoleAnswer::PASS_ON;
    case ConsoleHandler::EDITOR: return typed ? ConsoleAnswer::SWALLOW : ConsoleAnswer::PASS_ON;
    case ConsoleHandler::SERVING: return typed ? ConsoleAnswer::PASS_ON : ConsoleAnswer::STOP_AND_WAIT;
    }
    return ConsoleAnswer::PASS_ON;
}

// From here, a closed console, a logoff or a shutdown calls `stop(context)`
// on the system's own thread and waits there for the program to end by
// itself, which must then take at most a few seconds. `stop` must be safe
// to call from another thread; a null `stop` ends this before `context`
// goes away. Only Windows has such a console; on Linux, SIGHUP serves, and
// this does nothing.
void stop_when_console_closes(void (*stop)(void* context), void* context);

#ifdef _WIN32
// How many characters Windows sees in the bytes of a name where the
// program's code page is a double-byte one: a lead byte and the byte behind
// it are one. -1 where the code page is UTF-8.
int count_code_page_characters(const char* text, int length);

// What a user types on a Windows console, in the program's own code page.
//
// The console hands over typed text as UTF-16, whatever its language; file
// names must reach the file system in the code page that the "A" functions
// and the C library use (UTF-8 through the program's manifest, otherwise
// the system's ANSI code page). Each character is converted on its own, so
// that one the code page cannot represent is marked as unusable, never
// replaced by a look-alike that would name another file.
//
// Converts `length` UTF-16 units of `text` to bytes of `code_page`, writing
// at most `capacity` bytes and marking in `unusable` each byte that stands
// for a character the code page lacks. A carriage return before a line feed
// is dropped, as a text stream drops it. Returns the number of bytes written.
int convert_typed_text(const wchar_t* text, int length, unsigned code_page, char* bytes,
                       bool* unusable, int capacity);

// While another program runs on the console: its own code page given back,
// then the program's set again.
void lend_console();
void take_console_back();

// What a console handler returns for the event numbered `number` (TRUE, the
// event taken; FALSE, passed on), having done what `handler` does with it.
int answer_console_event_number(ConsoleHandler handler, unsigned long number);

// A name dropped on a Windows console comes in double quotes, which no
// Windows name can hold: they are taken off.
void strip_pasted_quotes(char* name);
#endif
