#include "cli/production/run_progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace txorb::cli {

std::string FormatDuration(double seconds) {
    const long total = std::lround(std::max(0.0, seconds));
    char text[32];
    if (total >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60,
                      total % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    }
    return text;
}

double RunProgress::Rate() const {
    const double minutes = std::chrono::duration<double>(last_ - started_).count() / 60.0;
    return done_ > 0 && minutes > 0 ? done_ / minutes : 0.0;
}

std::string RunProgress::Line() const {
    std::string line = std::to_string(done_) + "/" + std::to_string(count_) + " parts";
    if (done_ == 0) return line;
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.1f", Rate());
    line += "  serial " + std::to_string(serial_) + "  " + rate + " parts/min";
    if (done_ < count_ && Rate() > 0) {
        line += "  " + FormatDuration((count_ - done_) / Rate() * 60.0) + " left";
    }
    return line;
}

}  // namespace txorb::cli
