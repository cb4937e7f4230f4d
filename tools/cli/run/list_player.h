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

PlayOutcome PlayList(const drawing::ListProgram& program);

}  // namespace txorb::cli
