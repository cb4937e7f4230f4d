// What the pictures draw: what left energy on the work piece (marks, dots, bitmap lines), each
// kind in the order it happened; doses add up, so the order across kinds does not matter.
// Jumps leave none and are not kept. Bounded, so that a card left running for days does not
// eat the host's memory.
#pragma once

#include <cstddef>
#include <vector>

#include "moves.h"

namespace txorb::sim {

class Picture {
public:
    // Positions in bits (y up), as the list gave them; floats hold the card's 16-bit range
    // exactly and keep a large picture small.
    struct Mark {
        float x0, y0, x1, y1;
        float power;  // 0..1; 0: the laser was disabled
        float speed;  // bits per millisecond; 0: made at once
    };
    struct Dot {
        float x, y;
        float power;
        float durationUs;
    };

    explicit Picture(size_t maxItems) : maxItems_(maxItems) {}

    // False when the picture is full and the item was left out. A bitmap line's own jump and
    // pixels are not kept: the line stands for them.
    bool Add(const Move& move);
    bool Add(const PixelLine& line);
    void Clear();

    const std::vector<Mark>& Marks() const { return marks_; }
    const std::vector<Dot>& Dots() const { return dots_; }
    const std::vector<PixelLine>& Lines() const { return lines_; }
    size_t Size() const { return marks_.size() + dots_.size() + lines_.size(); }

private:
    size_t maxItems_;
    std::vector<Mark> marks_;
    std::vector<Dot> dots_;
    std::vector<PixelLine> lines_;
};

}  // namespace txorb::sim
