// Everything that differs between the systems the program runs on, Linux and
// Windows, is here and in platform.cpp.
#pragma once

#include <cstdio>
#include <stdio.h>

// One byte through the stream's buffer. The program has a single thread, so
// the streams need no locking; without it the byte-by-byte copy of the game
// runs several times faster.
inline int read_byte(std::FILE* file)
{
#ifdef _WIN32
    return _getc_nolock(file);
#else
    return getc_unlocked(file);
#endif
}

inline int write_byte(int c, std::FILE* file)
{
#ifdef _WIN32
    return _putc_nolock(c, file);
#else
    return putc_unlocked(c, file);
#endif
}

// fopen(name, "rb"), except that a directory counts as a file that cannot be
// opened (error number EISDIR), as it does on every system: reading one would
// fail at its first byte and pass for a damaged file.
std::FILE* open_for_reading(const char* name);

// Unbuffered standard output on a console, so that every prompt is on the
// screen before its answer is read; 512-byte blocks otherwise.
void set_up_console_streams();

// Pushes what the stream holds to the storage device. 0 on success.
int sync_file(std::FILE* file);

// Gives the file `to` the permission bits of the file `from`. 0 on success.
int copy_permissions(const char* from, const char* to);

// Moves `from` over `to` in one step, so that `to` is at every moment either
// the old or the new file. 0 on success, with the error number set otherwise.
int replace_file(const char* from, const char* to);

// Whether the two names lead to the same existing file. Leaves the error number alone.
bool is_same_file(const char* first, const char* second);
