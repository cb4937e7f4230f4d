// The one place in the tools that calls the library's list exports: a ListProgram handed to
// the card command by command, in order, with a look for an interrupt before each.
#pragma once

#include <string>

#include "drawing/program/list_program.h"

namespace txorb::cli {

struct PlayOutcome {
    enum class End { kDone, kFailed, kInterrupted };
    End end = End::kDone;
    std::string failure;  // kFailed: "PolA_Abs failed: error 45: ..." (ExportFailure)
    size_t played = 0;    // commands the library took
};

// Plays the commands from `first` up to and including the next end of list, which the card
// then runs before the rest is played (a program with ramps holds a list per layer).
// `played` counts the commands played, so the next list starts at first + played.
PlayOutcome PlayList(const drawing::ListProgram& program, size_t first = 0);

}  // namespace txorb::cli
