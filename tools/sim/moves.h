// What the virtual card did with its head: the unit of the log and of the pictures.
#pragma once

#include <cstdint>
#include <vector>

namespace txorb::sim {

enum class MoveKind : uint8_t { kJump, kMark, kDot };

struct Move {
    MoveKind kind = MoveKind::kJump;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    double power = 0;  // laser power as a fraction 0..1 (0 for jumps)
    int64_t t0 = 0;    // simulated microseconds since start-up
    int64_t t1 = 0;
    bool inPixelLine = false;  // a bitmap line's jump or pixel: the pictures draw the whole line
    double speed = 0;          // bits per millisecond; 0: made at once (dots stay in place)
};

// A bitmap line as the pictures show it: delays.size() pixels spaced evenly from (x0, y0) to
// (x1, y1), each as dark as its delay is long.
struct PixelLine {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::vector<uint16_t> delaysUs;  // 0: the pixel is not marked
    double power = 0;                // as for marks; 0 when the laser is disabled
};

const char* MoveKindName(MoveKind kind);

class MoveSink {
public:
    virtual ~MoveSink() = default;
    virtual void OnMove(const Move& move) = 0;
    // Before the line's pixels arrive (each also as a dot).
    virtual void OnPixelLine(const PixelLine& line) = 0;
};

}  // namespace txorb::sim
