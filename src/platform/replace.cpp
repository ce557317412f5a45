// What a replacement does alike on every system: the names, and the order
// of its first steps.
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

// A replacement that holds nothing yet. The target must be a name, and one
// short enough to leave room for a fresh one beside it.
int prepare_replacement(Replacement* replacement, const char* target, const char* new_name)
{
    replacement->target = target;
    replacement->file = nullptr;
    replacement->folder = -1;
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

}  // namespace

int begin_replacement(Replacement* replacement, const char* target, const char* new_name)
{
    int error_number = errno;
    if (prepare_replacement(replacement, target, new_name) != 0 || hold_folder(replacement) != 0)
        return -1;
    if (new_name != nullptr) {
        replacement->file = take_name(replacement);
    } else {
        for (int attempt = 0; attempt < FRESH_NAME_ATTEMPTS; ++attempt) {
            make_fresh_name(replacement, attempt);
            replacement->file = create_new_file(replacement);
            if (replacement->file != nullptr || errno != EEXIST)
                break;
        }
    }
    if (replacement->file == nullptr) {
        int failure = errno;
        let_go(replacement);
        errno = failure;
        return -1;
    }
    errno = error_number;
    return 0;
}
