// What the pictures draw, in the order it happened: the moves, and the bitmap lines among
// them. Bounded, so that a card left running for days does not eat the host's memory.
#pragma once

#include <cstddef>
#include <vector>

#include "moves.h"

namespace txorb::sim {

class Picture {
public:
    // A line drawn before moves()[beforeMove], after every earlier move.
    struct PlacedLine {
        size_t beforeMove = 0;
        PixelLine line;
    };

    explicit Picture(size_t maxItems) : maxItems_(maxItems) {}

    // False when the picture is full and the item was left out. A bitmap line's own jump and
    // pixels are not kept: the line stands for them.
    bool Add(const Move& move);
    bool Add(const PixelLine& line);

    const std::vector<Move>& Moves() const { return moves_; }
    const std::vector<PlacedLine>& Lines() const { return lines_; }
    size_t Size() const { return moves_.size() + lines_.size(); }

private:
    size_t maxItems_;
    std::vector<Move> moves_;
    std::vector<PlacedLine> lines_;
};

}  // namespace txorb::sim
