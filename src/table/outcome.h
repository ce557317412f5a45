// What the work of a command on a file came to: reading a block from a game
// or a block file, and writing either. Each function says which of these it
// can end in; each front end tells them in one place.
#pragma once

#include <cstdint>

#include "platform/replace.h"

enum class Outcome {
    DONE,               // read; or written and moved into place; or, for a first step, done
    NOT_OPENED,         // the file, or a new file beside it, cannot be opened; the error number says why
    NOT_REGULAR,        // the name leads to a FIFO, a device or a socket (the core's finding, never the menu's)
    COPY_NOT_MADE,      // the game's copy cannot be made
    NOT_READ,           // a read failed
    INVALID,            // a level above 4, or the file ends inside the block
    ENDS_BEFORE_BLOCK,  // a game executable that ends before its block; Result::length is its length
    GAME_SHORTER,       // a game executable not GAME_EXE_SIZE bytes long: shorter
    GAME_LONGER,        // or longer
    NOT_WRITTEN,        // a step before the move failed: the file is as it was
    NOT_MOVED,          // the move failed: the file is as it was
    NOT_SYNCED,         // moved into place, but its folder could not be synced
};

// An outcome with its detail.
struct Result {
    Outcome outcome;
    std::int64_t length;  // with ENDS_BEFORE_BLOCK: how many bytes the game executable holds
};

// Whether the work was done: the one outcome that is no failure.
constexpr bool is_done(Outcome outcome)
{
    switch (outcome) {
    case Outcome::DONE: return true;
    case Outcome::NOT_OPENED:
    case Outcome::NOT_REGULAR:
    case Outcome::COPY_NOT_MADE:
    case Outcome::NOT_READ:
    case Outcome::INVALID:
    case Outcome::ENDS_BEFORE_BLOCK:
    case Outcome::GAME_SHORTER:
    case Outcome::GAME_LONGER:
    case Outcome::NOT_WRITTEN:
    case Outcome::NOT_MOVED:
    case Outcome::NOT_SYNCED: break;
    }
    return false;
}

constexpr Outcome outcome_of(Replaced replaced)
{
    switch (replaced) {
    case Replaced::DONE: return Outcome::DONE;
    case Replaced::NOT_WRITTEN: return Outcome::NOT_WRITTEN;
    case Replaced::NOT_MOVED: return Outcome::NOT_MOVED;
    case Replaced::NOT_SYNCED: return Outcome::NOT_SYNCED;
    }
    return Outcome::NOT_WRITTEN;
}
