// What opening and looking up files shares between the systems.
#include "platform/files.h"

#include <cerrno>
#include <cstring>

long milliseconds_since(std::chrono::steady_clock::time_point start)
{
    auto elapsed = std::chrono::steady_clock::now() - start;
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

size_t folder_length(const char* name)
{
    size_t length = 0;
    for (size_t i = 0; name[i] != '\0'; ++i) {
        if (is_folder_separator(name[i]))
            length = i + 1;
    }
    return length;
}

namespace {

// The last component of a name, and its length without trailing dots and
// spaces, which FAT and Windows drop.
const char* find_last_component(const char* name, size_t* length)
{
    const char* component = name + folder_length(name);
    *length = std::strlen(component);
    while (*length > 0 && (component[*length - 1] == '.' || component[*length - 1] == ' '))
        --*length;
    return component;
}

bool same_letters(const char* text, const char* lower_case, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != static_cast<unsigned char>(lower_case[i]))
            return false;
    }
    return true;
}

}  // namespace

bool last_component_is(const char* name, const char* wanted)
{
    size_t length;
    const char* component = find_last_component(name, &length);
    return length == std::strlen(wanted) && same_letters(component, wanted, length);
}

bool last_component_ends_with(const char* name, const char* ending)
{
    size_t length;
    const char* component = find_last_component(name, &length);
    size_t ending_length = std::strlen(ending);
    return length >= ending_length && same_letters(component + length - ending_length, ending, ending_length);
}

void close_keeping_error_number(std::FILE* file)
{
    int error_number = errno;
    std::fclose(file);
    errno = error_number;
}

int push_to_device(std::FILE* file)
{
    if (std::fflush(file) != 0 || std::ferror(file))
        return -1;
    return sync_file(file);
}

int finish_writing(std::FILE* file)
{
    if (push_to_device(file) != 0) {
        close_keeping_error_number(file);
        return -1;
    }
    return std::fclose(file) == 0 ? 0 : -1;
}
