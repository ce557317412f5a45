#include "core/outcome_words.h"

#include <cstring>

#include "game/game_exe.h"

namespace {

std::string failure(const std::string& name, const char* what, int error_number)
{
    return name + ": " + what + ": " + std::strerror(error_number);
}

}  // namespace

std::vector<std::string> describe_result(const FileResult& result, const char* typed, const TableRead* read,
                                         std::string (*show)(const char*))
{
    std::vector<std::string> lines;
    const std::string name = show(typed);
    int error_number = result.error_number;
    switch (result.outcome) {
    case Outcome::DONE: break;
    case Outcome::NOT_OPENED:
    case Outcome::COPY_NOT_MADE: lines.push_back(failure(name, "cannot open", error_number)); break;
    case Outcome::NOT_REGULAR: lines.push_back(name + ": not a regular file"); break;
    case Outcome::NOT_READ: lines.push_back(failure(name, "cannot read", error_number)); break;
    case Outcome::INVALID:
        if (read == nullptr || !read->text)
            lines.push_back(name + ": skill block contains invalid data");
        else if (read->text_error.line == 0)
            lines.push_back(name + ": " + show(read->text_error.message));
        else
            lines.push_back(name + ":" + std::to_string(static_cast<long long>(read->text_error.line)) + ": "
                            + show(read->text_error.message));
        break;
    case Outcome::ENDS_BEFORE_BLOCK:
        lines.push_back(name + ": not a game executable: it ends at byte "
                        + std::to_string(static_cast<long long>(read != nullptr ? read->result.length : 0)));
        break;
    case Outcome::GAME_SHORTER:
    case Outcome::GAME_LONGER:
        lines.push_back(name + ": not a game executable that this program knows: it is not "
                        + std::to_string(static_cast<long>(GAME_EXE_SIZE)) + " bytes long");
        break;
    case Outcome::NOT_WRITTEN: lines.push_back(failure(name, "cannot write", error_number)); break;
    case Outcome::NOT_MOVED: lines.push_back(failure(name, "cannot replace", error_number)); break;
    case Outcome::NOT_SYNCED:
        lines.push_back(failure(name, "is replaced, but its folder cannot be synced", error_number));
        break;
    }
    if (result.left_behind.error_number != 0)
        lines.push_back(failure(show(result.left_behind.name), "cannot remove", result.left_behind.error_number));
    return lines;
}

const char* describe_target(Target target, const char* text_refusal)
{
    switch (target) {
    case Target::ALLOWED: return "";
    case Target::GAME_WRITTEN: return "convert writes no game executable: use apply";
    case Target::SAME_AS_GAME: return "is the same file as a game executable";
    case Target::COPY_OF_GAME: return "is kept for the copy of the game that apply makes";
    case Target::TEXT_CHANGED: break;
    }
    return text_refusal;
}
