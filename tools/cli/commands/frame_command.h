// `txorb frame DRAWING|JOB`: the head shows the box of what would be marked, with the laser
// off, so that the operator can place the part: jumps around it, round after round, until
// Enter, Ctrl-C or a set number of rounds; then the head goes to the field's centre.
#pragma once

#include "cli/commands/mark_command.h"

namespace txorb::cli {

struct FrameOptions {
    MarkOptions mark;  // the drawing or job, its placement, the jump speed, the card
    int times = 0;     // rounds; 0: until Enter or Ctrl-C
};

// The exit status: 0, 130 after Ctrl-C (the head still sent to the centre), 1 the card
// failed, 2 the drawing or job cannot be used.
int RunFrame(const FrameOptions& options);

}  // namespace txorb::cli
