#include "cli/run/execution_watch.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>

#include "cli/run/interrupt.h"
#include "cli/run/library_errors.h"
#include "txorb/txorb.h"

namespace txorb::cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr uint16_t kBusyBit = 0x0001;  // the status word's "a list is running"

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// "250" for 250.0, as the messages show whole seconds.
std::string Whole(double seconds) { return std::to_string(std::lround(seconds)); }

}  // namespace

WatchOutcome ExecuteAndWatch(ProgressTracker tracker, const WatchOptions& o) {
    WatchOutcome out;
    bool barShown = false;
    auto finish = [&](WatchOutcome::End end, std::string failure) {
        if (barShown) std::cerr << "\n";
        out.end = end;
        out.failure = std::move(failure);
        return out;
    };
    if (!Execute_List_1()) {
        return finish(WatchOutcome::End::kFailed, ExportFailure("Execute_List_1"));
    }
    const double limit = o.timeoutSeconds > 0
                             ? o.timeoutSeconds
                             : std::max(60.0, tracker.ExpectedMs() / 1000.0 * 20.0);
    const auto start = Clock::now();
    int16_t x = 0, y = 0;
    for (;;) {
        if (WaitForInterrupt(o.pollMs)) return finish(WatchOutcome::End::kInterrupted, "");
        const uint16_t status = Read_Status();
        ++out.statusPolls;
        if (!Get_XY_Pos(&x, &y)) {
            return finish(WatchOutcome::End::kFailed,
                          "lost the card: " + ExportFailure("Get_XY_Pos"));
        }
        const double done = tracker.Update(x, y);
        const double seconds = SecondsSince(start);
        if (o.progressBar) {
            std::cerr << "\r" << ProgressLine(done, seconds, x, y) << std::flush;
            barShown = true;
        }
        if ((status & kBusyBit) == 0) break;
        if (seconds > limit) {
            Stop_Execution();
            return finish(WatchOutcome::End::kFailed,
                          "the card did not finish within " + Whole(limit) + " s; it was stopped");
        }
    }
    if (o.progressBar) std::cerr << "\r" << ProgressLine(1.0, SecondsSince(start), x, y) << "\n";
    return out;
}

}  // namespace txorb::cli
