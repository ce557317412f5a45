#include "table/names.h"

#include <cstring>

#include "platform/files.h"

namespace {

unsigned char lower_case(char c)
{
    unsigned char letter = static_cast<unsigned char>(c);
    return letter >= 'A' && letter <= 'Z' ? letter - 'A' + 'a' : letter;
}

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

}  // namespace

bool same_ignoring_case(const char* text, size_t length, const char* name)
{
    for (size_t i = 0; i < length; ++i) {
        if (name[i] == '\0' || lower_case(text[i]) != lower_case(name[i]))
            return false;
    }
    return name[length] == '\0';
}

bool last_component_is(const char* name, const char* wanted)
{
    size_t length;
    const char* component = find_last_component(name, &length);
    return same_ignoring_case(component, length, wanted);
}

bool last_component_ends_with(const char* name, const char* ending)
{
    size_t length;
    const char* component = find_last_component(name, &length);
    size_t ending_length = std::strlen(ending);
    return length >= ending_length && same_ignoring_case(component + length - ending_length, ending_length, ending);
}
