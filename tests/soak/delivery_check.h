// What a card received against what the library sent it: the list transfers in the card's
// capture files (what the library wrote to the line, and which of those transfers it reported
// as failed) set against the list packets in the virtual card's log that the card carried out.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace txorb::soak {

using Counts = std::map<std::string, int64_t>;

// One card session's capture file and the byte ranges [begin, end) that calls the library
// reported as failed appended to it.
struct CaptureSession {
    std::string path;
    std::vector<std::pair<int64_t, int64_t>> failedRanges;
};

// Adds to counts: "transfers sent", "transfers failed", "failed but stored" (a late reply),
// "records sent", "records carried out", "records captured", "hang-ups", and the faults
// "lost" (reported sent, never carried out), "duplicated", "reordered", "unknown" (carried
// out, never sent) and "misrouted" (a vector whose x does not end in tag, the card's digit).
void CheckDelivery(const std::vector<CaptureSession>& sessions, const std::string& log, int tag,
                   Counts* counts);

}  // namespace txorb::soak
