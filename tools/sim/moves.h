// What the virtual card did with its head: the unit of the log and of the pictures.
#pragma once

#include <cstdint>

namespace txorb::sim {

enum class MoveKind : uint8_t { kJump, kMark, kDot };

struct Move {
    MoveKind kind = MoveKind::kJump;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    double power = 0;  // laser power as a fraction 0..1 (0 for jumps)
    int64_t t0 = 0;    // simulated microseconds since start-up
    int64_t t1 = 0;
};

const char* MoveKindName(MoveKind kind);

class MoveSink {
public:
    virtual ~MoveSink() = default;
    virtual void OnMove(const Move& move) = 0;
};

}  // namespace txorb::sim
