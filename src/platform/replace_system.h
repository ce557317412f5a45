// The parts of a replacement that replace.cpp shares between the systems,
// and what each system gives them.
#pragma once

#include <cstdio>

#include "platform/replace.h"

// A replacement that holds nothing yet, for target and, where one is given,
// new_name. 0, or -1 with the error number set (no target, or one too long).
int prepare_replacement(Replacement* replacement, const char* target, const char* new_name);

// The new file under a fresh name beside target; nullptr with the error number set.
std::FILE* create_fresh_file(Replacement* replacement);

// Each system's: a stream for a new file under the new name, or nullptr
// (EEXIST where the name is taken). Records which file it is.
std::FILE* create_new_file(Replacement* replacement);
