// `txorb run JOB --count N`: a production run. Parts are marked one after another, each with
// the journal's next serial (taken and recorded before the part is sent), its texts and codes
// filled in from that serial and its start time, after its start: the fixture's start input
// (the list opens with Wait_For_External_Start), the operator's Enter, or at once.
#pragma once

#include <cstdint>
#include <string>

#include "cli/commands/mark_command.h"

namespace txorb::cli {

enum class StartMode : uint8_t {
    kAuto,      // external, but at once on a virtual card that fires no start
    kExternal,  // the card waits for its start input
    kEnter,     // the operator presses Enter
    kNow,
};

struct RunOptions {
    MarkOptions mark;  // mark.job: the job file; mark.drawing: a drawing instead of the job's
    int count = 1;
    StartMode start = StartMode::kAuto;
    double startEvery = 0.0;  // the virtual card fires its start input this often (its seconds)
    std::string journal;      // empty: DefaultJournalPath(job)
    std::string out;          // the virtual card's pictures; empty: DefaultPicturesFolder(job)
};

// NAME.journal.sqlite and NAME.parts/ beside the job file NAME.toml.
std::string DefaultJournalPath(const std::string& job);
std::string DefaultPicturesFolder(const std::string& job);

// The exit status: 0 every part marked; 1 a part failed (recorded so, with the card's code) or
// its picture could not be written; 2 the job, its drawing, an item's value or the journal
// cannot be used; 130 interrupted (the part under way recorded as interrupted).
int RunJob(const RunOptions& options);

}  // namespace txorb::cli
