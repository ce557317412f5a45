// The text that the command edit hands to the user's editor, as the text
// forms see it: the two lines it puts at the top of a text that breaks a
// reading rule (taken off again before the text is read), and the digest by
// which a text saved unchanged is known, however an editor saved it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "text/shown_text.h"
#include "text/table_rows.h"

constexpr const char* MISTAKE_START = "# skilltab: ";
constexpr const char* MEND_LINE = "# Mend the text and save it, or save it unchanged to give up.";

// The two lines that tell a mistake: "# skilltab: line N: WHAT" (or without
// the line, where the whole file is at fault), then MEND_LINE.
std::string format_mistake_lines(const TextError& text_error, CodePage code_page);

// Positions the text after a byte-order mark and the program's two lines
// of a mistake, where they stand at its top; else after the mark.
void skip_mistake_lines(std::FILE* file);

// A text as an editor may save it again without a change: FNV-1a over its
// bytes as text_bytes gives them (no byte-order mark, CR LF as LF), and
// their count, a last line end left out.
struct TextDigest {
    unsigned long long hash;
    std::int64_t size;
};

// The digest of the rest of the file; false where a read failed.
bool digest_text(std::FILE* file, TextDigest* digest);

bool same_digest(const TextDigest& first, const TextDigest& second);
