// Names as the program compares them: the names of skills and classes in a
// text, and the names of files.
#pragma once

#include <cstddef>

// Whether the first `length` bytes of text are `name`, letters (A to Z) in
// either case.
bool same_ignoring_case(const char* text, size_t length, const char* name);

// Whether the last component of a name is `wanted` in any letter case, with
// trailing dots and spaces dropped, as FAT and Windows drop them.
bool last_component_is(const char* name, const char* wanted);

// Whether the last component, so taken, ends in `ending`, or is only `ending`.
bool last_component_ends_with(const char* name, const char* ending);
