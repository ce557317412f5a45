// What a replacement does alike on every system: the new file's name.
#include "platform/replace.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/replace_system.h"

namespace {

constexpr int FRESH_NAME_ATTEMPTS = 100;

// A name beside target that no file is likely to have: target's own name
// with a number and ".tmp" behind it.
void make_fresh_name(Replacement* replacement, int attempt)
{
    static unsigned serial;
    auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    unsigned number = static_cast<unsigned>(now) * 2654435761u + ++serial * 40503u
                      + static_cast<unsigned>(attempt);
    std::snprintf(replacement->new_name, sizeof replacement->new_name, "%s.%06x.tmp",
                  replacement->target, number & 0xffffffu);
}

}  // namespace

int prepare_replacement(Replacement* replacement, const char* target, const char* new_name)
{
    replacement->target = target;
    replacement->file = nullptr;
    replacement->removal_error = 0;
    if (new_name != nullptr)
        std::snprintf(replacement->new_name, sizeof replacement->new_name, "%s", new_name);
    if (target[0] == '\0') {
        errno = ENOENT;
        return -1;
    }
    if (std::strlen(target) > FINAL_NAME_MAX) {
        errno = ENAMETOOLONG;
        return -1;
    }
    return 0;
}

std::FILE* create_fresh_file(Replacement* replacement)
{
    std::FILE* file = nullptr;
    for (int attempt = 0; attempt < FRESH_NAME_ATTEMPTS && file == nullptr; ++attempt) {
        make_fresh_name(replacement, attempt);
        file = create_new_file(replacement);
        if (file == nullptr && errno != EEXIST)
            break;
    }
    return file;
}
