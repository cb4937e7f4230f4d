// How a production run is getting on: parts done of the count, the last serial, the rate in
// parts per minute over the run so far (waits for the start included, as they are part of the
// line's pace) and the time the rest will take at that rate.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace txorb::cli {

class RunProgress {
public:
    using Clock = std::chrono::steady_clock;

    RunProgress(int count, Clock::time_point started) : count_(count), started_(started) {}

    void PartDone(int64_t serial, Clock::time_point now) {
        ++done_;
        serial_ = serial;
        last_ = now;
    }
    int Done() const { return done_; }
    // Parts per minute; 0 before the first part.
    double Rate() const;
    // "3/20 parts  serial 1002  14.2 parts/min  1:25 left"; before the first part only the
    // count, and no time left after the last.
    std::string Line() const;

private:
    int count_;
    int done_ = 0;
    int64_t serial_ = 0;
    Clock::time_point started_, last_;
};

// "1:25", "1:02:03": whole seconds, rounded.
std::string FormatDuration(double seconds);

}  // namespace txorb::cli
