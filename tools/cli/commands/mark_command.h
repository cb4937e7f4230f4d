// `txorb mark` and `txorb preview`: a drawing read, planned, turned into a list, marked by a
// card (the virtual one for a preview) and summed up.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/run/card_connection.h"
#include "drawing/plan/plan_options.h"

namespace txorb::cli {

struct MarkOptions {
    std::string drawing;  // empty: the job file's
    std::string job;      // a job file: settings per layer over the ones below
    uint16_t card = 1;
    drawing::PlanOptions plan;
    double markSpeed = 250.0;  // bits per millisecond
    double jumpSpeed = 1000.0;
    double power = 100.0;  // % of full power
    int passes = 1;
    std::optional<uint16_t> laserOnDelay, laserOffDelay, jumpDelay, markDelay, polyDelay;
    bool ramps = false;
    double leadInPercent = 5.0;
    double leadOutPercent = 5.0;
    double slope = 0.0;           // 0: from rampLength
    double rampLength = 2000.0;   // bits to reach the mark speed from standstill
    uint16_t microSegment = 200;  // bits
    CardChoice choice = CardChoice::kAuto;
    std::string out;         // picture prefix; empty: next to the drawing
    std::string simLog;      // the virtual card's JSON Lines log
    std::string capture;     // keep the command capture here
    double timeScale = 0.0;  // the virtual card's; 0 leaves its default
    int pollMs = 50;
    double timeoutSeconds = 0.0;  // 0: from the drawing's length
    bool progress = true;
    // Only the picture and the expected time: the virtual card at full speed, whatever the
    // store says.
    bool preview = false;
};

// The process exit status: 0 done, 1 failed, 2 the drawing cannot be used, 130 interrupted.
int RunMark(const MarkOptions& options);

}  // namespace txorb::cli
