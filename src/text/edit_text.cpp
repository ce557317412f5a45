#include "text/edit_text.h"

#include <cstring>

#include "text/text_bytes.h"

namespace {

constexpr unsigned long long HASH_START = 14695981039346656037ull;
constexpr unsigned long long HASH_PRIME = 1099511628211ull;

void count_byte(TextDigest* digest, int c)
{
    digest->hash = (digest->hash ^ static_cast<unsigned char>(c)) * HASH_PRIME;
    ++digest->size;
}

// Reads one line and tells whether it is `expected`, or with `prefix`,
// whether it starts with it.
bool line_matches(TextBytes* bytes, const char* expected, bool prefix)
{
    size_t length = std::strlen(expected), count = 0;
    bool matches = true;
    int c;
    while ((c = next_text_byte(bytes)) != EOF && c != '\n') {
        matches = matches && (count >= length || c == expected[count]);
        ++count;
    }
    return c == '\n' && matches && (prefix ? count >= length : count == length);
}

// Where the reading of the file stands: its stream's position, less the
// bytes read ahead.
long text_position(const TextBytes* bytes)
{
    return std::ftell(bytes->file) - bytes->held_count;
}

}  // namespace

std::string format_mistake_lines(const TextError& text_error, CodePage code_page)
{
    std::string lines = MISTAKE_START;
    if (text_error.line != 0)
        lines += "line " + std::to_string(static_cast<long long>(text_error.line)) + ": ";
    lines += shown_text(text_error.message, code_page);
    lines += "\n";
    lines += MEND_LINE;
    lines += "\n";
    return lines;
}

void skip_mistake_lines(std::FILE* file)
{
    TextBytes bytes;
    start_text_bytes(&bytes, file);
    long start = text_position(&bytes);
    bool marked = line_matches(&bytes, MISTAKE_START, true) && line_matches(&bytes, MEND_LINE, false);
    std::fseek(file, marked ? text_position(&bytes) : start, SEEK_SET);
}

bool digest_text(std::FILE* file, TextDigest* digest)
{
    *digest = {HASH_START, 0};
    TextBytes bytes;
    start_text_bytes(&bytes, file);
    bool held_line_end = false;  // a line end counts only when more follows
    for (int c; (c = next_text_byte(&bytes)) != EOF;) {
        if (held_line_end)
            count_byte(digest, '\n');
        held_line_end = c == '\n';
        if (!held_line_end)
            count_byte(digest, c);
    }
    return !std::ferror(file);
}

bool same_digest(const TextDigest& first, const TextDigest& second)
{
    return first.hash == second.hash && first.size == second.size;
}
