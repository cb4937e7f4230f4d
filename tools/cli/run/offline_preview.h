// A preview's card: the virtual card inside this process (sim/offline_card.h), fed the packets
// the library would send for a ListProgram, each list run to its end in simulated time as fast
// as the host can, and its pictures written. No pty, no child process, no waiting.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "drawing/program/list_program.h"
#include "proto/packet.h"

namespace txorb::cli {

struct OfflineOutcome {
    enum class End { kDone, kFailed, kInterrupted };
    End end = End::kDone;
    std::string failure;   // kFailed: why ("PATH: reason" for a picture)
    double seconds = 0.0;  // the card's simulated time from the first list's start to the end
    size_t packets = 0;    // sent, as the library would have sent them
    size_t listBytes = 0;  // in list-records packets
};

// Sends `setup` (speeds, delays), then each list of the program followed by its execution,
// lets each run to its end, and writes prefix.png and prefix.svg.
OfflineOutcome PreviewOnOfflineCard(const drawing::ListProgram& program,
                                    const std::vector<proto::Packet>& setup,
                                    const std::string& prefix);

}  // namespace txorb::cli
