// Opening and looking up files by name, where Linux and Windows differ.
//
// The commands work only on regular files. Nothing here ever waits in open
// (a FIFO, a device or a socket under a typed name cannot hang the program)
// or writes through a special file: such a name counts as a file that cannot
// be opened, with the error number EPERM, and a folder as one with EISDIR
// (EACCES on Windows, as the system itself says there).
#pragma once

#include <chrono>
#include <cstdio>

// How long the program waits for a file or folder that another run or
// another program holds for a moment, and the pause between two tries.
constexpr int HOLD_WAIT_MILLISECONDS = 2000;
constexpr int RETRY_PAUSE_MILLISECONDS = 10;

void pause_briefly();
long milliseconds_since(std::chrono::steady_clock::time_point start);

#ifdef _WIN32
// Whether Windows takes the name as exactly these bytes: characters of the
// program's code page. It would change any other byte into a stand-in
// character and so reach another name. (Linux takes any bytes.)
bool is_usable_name(const char* name);
#endif

// A regular file opened for binary reading, or nullptr with the error number
// set. On Windows a file another program holds for a moment is waited for,
// for up to two seconds.
std::FILE* open_for_reading(const char* name);

// What stands under a name that S is to write, once links are followed.
enum class FileKind {
    NONE,      // nothing: a new file can take the name
    REGULAR,
    UNUSABLE,  // anything else, or a failed look-up; the error number says which
};

// Leaves the error number alone unless the answer is UNUSABLE.
FileKind find_file_kind(const char* name);

// Whether the folder of a name (a final name) would take a new file from
// this program, asked without making one: 0, or -1 with the error number
// (EACCES). Root may write anywhere, and is told so.
int check_folder_writable(const char* name);

// Whether the name leads to something that is neither a regular file nor a
// folder: a FIFO, a device or a socket. Leaves the error number alone.
bool is_special_file(const char* name);

// The longest name of a file the program writes, once made whole.
constexpr int FINAL_NAME_MAX = 4096;

// The name that a typed name finally leads to, the one S checks and writes,
// in final_name (FINAL_NAME_MAX bytes and its end). On POSIX each symbolic
// link is followed in turn, a relative one from its own folder, and
// through_link tells whether there was one (no file is made through a link).
// On Windows the name becomes a full path in the \\?\ form, as Windows
// itself would take it: "/", "." and ".." resolved, trailing dots and spaces
// dropped; a stream name (a colon past the drive's) is refused (EINVAL).
// 0, or -1 with the error number set.
int find_final_name(const char* name, char* final_name, bool* through_link);

// Whether a character ends a folder's part of a name on this system.
bool is_folder_separator(char c);

// The length of a name's folder part, its last separator included: 0 for a
// name in the current folder.
size_t folder_length(const char* name);

// Whether the user may change the existing file: 0, or -1 with EACCES for a
// file marked read-only (no write permission). A replacement would go
// through even so; S keeps such a file as it is.
int check_writable(const char* name);

// fclose for a file only read from, whose close cannot lose anything: the
// error number stays that of the failure the caller is about to report.
void close_keeping_error_number(std::FILE* file);

// Pushes what was written to the stream's file, already flushed, to the
// storage device: 0, or -1 with the error number set.
int sync_file(std::FILE* file);

// Flushes the stream, checks its error mark (a write that failed on the
// way) and pushes the file to the storage device. 0, or -1 with the error
// number of the step that failed.
int push_to_device(std::FILE* file);

// push_to_device, then closes the stream, which is closed either way.
// 0 when every byte written is on the device.
int finish_writing(std::FILE* file);

// Whether the two names lead to the same existing file. Leaves the error number alone.
bool is_same_file(const char* first, const char* second);

#ifdef _WIN32
// Sets the error number from what the last failed Windows call left, so
// that the error text comes from the same place as for every other failure.
void set_error_number_from_windows();

constexpr unsigned long LONG_PATH_MAX = 32768;  // UTF-16 units in the longest \\?\ path

// GetFullPathNameW into full (LONG_PATH_MAX units): its length, or -1 with
// the error number set (ENAMETOOLONG beyond the longest path).
long find_full_path(const wchar_t* name, wchar_t* full);

// A stream for a Windows file handle, or nullptr (and the handle closed).
std::FILE* open_stream_for_handle(void* handle, const char* mode);
#endif
