// Opening and looking up files by name, where Linux and Windows differ.
//
// The commands work only on regular files. Nothing here ever waits in open
// (a FIFO, a device or a socket under a typed name cannot hang the program)
// or writes through a special file: such a name counts as a file that cannot
// be opened, with the error number EPERM, and a folder as one with EISDIR
// (EACCES on Windows, as the system itself says there).
#pragma once

#include <cstdio>

// Whether the system takes the name as exactly these bytes. On Windows they
// must be characters of the program's code page: the system would change any
// other byte into a stand-in character and so reach another name.
bool is_usable_name(const char* name);

// A regular file opened for binary reading, or nullptr with the error number set.
std::FILE* open_for_reading(const char* name);

// What stands under a name that S is to write.
enum FileKind {
    NO_FILE,               // nothing: a new file can take the name
    REGULAR_FILE,
    LINK_TO_REGULAR_FILE,  // a symbolic link that leads to one (never on Windows)
    UNUSABLE_FILE,         // anything else, or a failed look-up; the error number says which
};

// Leaves the error number alone unless the answer is UNUSABLE_FILE.
FileKind find_file_kind(const char* name);

// Whether the user may change the existing file: 0, or -1 with EACCES for a
// file marked read-only (no write permission). A replacement would go
// through even so; S keeps such a file as it is.
int check_writable(const char* name);

// The regular file a link leads to, emptied and opened for binary writing,
// or nullptr with the error number set.
std::FILE* open_through_link(const char* name);

// fclose for a file only read from, whose close cannot lose anything: the
// error number stays that of the failure the caller is about to report.
void close_keeping_error_number(std::FILE* file);

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

// A stream for a Windows file handle, or nullptr (and the handle closed).
std::FILE* open_stream_for_handle(void* handle, const char* mode);
#endif
