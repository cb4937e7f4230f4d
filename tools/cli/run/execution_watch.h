// A loaded list run by the card and watched to its end: the status polled, the head's position
// shown as progress on a terminal, the card stopped when it runs past its time, and an
// interrupt (Ctrl-C) answered between polls.
#pragma once

#include <cstddef>
#include <string>

#include "cli/run/progress.h"

namespace txorb::cli {

struct WatchOptions {
    int pollMs = 50;
    double timeoutSeconds = 0.0;  // 0: 20 times the expected time, at least 60 s
    bool progressBar = false;     // drawn on standard error
};

struct WatchOutcome {
    enum class End { kDone, kFailed, kInterrupted };
    End end = End::kDone;
    std::string failure;  // kFailed: why, for "<command>: why"
    size_t statusPolls = 0;
};

// Starts list 1 and waits for the card to finish it; a progress bar left on the terminal is
// ended with a newline, so that what is printed next starts on a line of its own.
WatchOutcome ExecuteAndWatch(ProgressTracker tracker, const WatchOptions& options);

}  // namespace txorb::cli
