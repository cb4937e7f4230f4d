// `txorb mark`: a drawing marked by a card, from reading the file to the summary.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/fit.h"

namespace txorb::cli {

enum class CardChoice : uint8_t { kAuto, kSimulator, kRegistry };

struct MarkOptions {
    std::string drawing;
    uint16_t card = 1;
    FitOptions fit;
    double markSpeed = 250.0;  // bits per millisecond
    double jumpSpeed = 1000.0;
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

// The picture prefix for a drawing: "dir/name.svg" -> "dir/name.marked" (".preview" for a
// preview); an --out ending in .svg or .png loses the extension.
std::string PicturePrefix(const std::string& drawing, const std::string& out,
                          const char* suffix = ".marked");

// The first of outputs (empty ones skipped) that names the input file itself, or "".
std::string OutputOverwritesInput(const std::string& input,
                                  const std::vector<std::string>& outputs);

}  // namespace txorb::cli
