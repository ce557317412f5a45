#include "table/block_files.h"

#include <cerrno>

#include "platform/bytes.h"
#include "platform/files.h"
#include "table/skill_block.h"
#include "table/skill_table.h"

Outcome read_block_file(const char* name, unsigned char* block)
{
    std::FILE* file = open_for_reading(name);
    if (file == nullptr)
        return Outcome::NOT_OPENED;
    Outcome outcome = read_skill_block(file, block);
    close_keeping_error_number(file);
    return outcome;
}

namespace {

// write_kept_file up to the new file, open in replacement->file: DONE or NOT_OPENED.
Outcome begin_kept_file(const char* name, bool through_link, Replacement* replacement)
{
    replacement->removal_error = 0;
    FileKind kind = find_file_kind(name);
    if (kind == FileKind::NONE && through_link) {
        errno = ENOENT;  // a link that leads nowhere: no file is made through it
        return Outcome::NOT_OPENED;
    }
    if (kind == FileKind::UNUSABLE || (kind == FileKind::REGULAR && check_writable(name) != 0))
        return Outcome::NOT_OPENED;
    if (begin_replacement(replacement, name, nullptr) != 0)
        return Outcome::NOT_OPENED;
    return Outcome::DONE;
}

}  // namespace

Outcome write_kept_file(const char* name, bool through_link, const unsigned char* bytes, std::int64_t size,
                        Replacement* replacement)
{
    if (!is_done(begin_kept_file(name, through_link, replacement)))
        return Outcome::NOT_OPENED;
    for (std::int64_t i = 0; i < size; ++i)
        write_byte(bytes[i], replacement->file);  // a failed write shows in the error mark
    return outcome_of(finish_replacement(replacement));
}

Outcome abandon_copy(FileCopy* copy, Outcome outcome)
{
    close_keeping_error_number(copy->input);
    abandon_replacement(&copy->replacement);
    return outcome;
}

Outcome begin_block_copy(const char* name, bool through_link, FileCopy* copy, unsigned char* old_block)
{
    if (!is_done(begin_kept_file(name, through_link, &copy->replacement)))
        return Outcome::NOT_OPENED;
    copy->input = open_for_reading(name);
    if (copy->input == nullptr) {
        abandon_replacement(&copy->replacement);
        return Outcome::NOT_OPENED;
    }
    Outcome outcome = read_skill_block(copy->input, old_block);
    return is_done(outcome) ? outcome : abandon_copy(copy, outcome);
}

Outcome finish_block_copy(FileCopy* copy, const unsigned char* block)
{
    std::FILE* output = copy->replacement.file;
    write_skill_block(output, block);
    for (int c; (c = read_byte(copy->input)) != EOF;)
        write_byte(c, output);
    if (std::ferror(copy->input))
        return abandon_copy(copy, Outcome::NOT_READ);
    std::fclose(copy->input);  // before the move: Windows cannot replace a file that is open
    return outcome_of(finish_replacement(&copy->replacement));
}
