// Secrets from the system's random source.
#pragma once

#include <cstddef>

// `size` bytes from the system's random source (getrandom on Linux,
// BCryptGenRandom on Windows): 0, or -1 with the error number set.
int fill_random(unsigned char* bytes, size_t size);
