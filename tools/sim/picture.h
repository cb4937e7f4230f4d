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
    // The power and speed of a run of marks: marks in a row made with the same.
    struct Style {
        float power, speed;
        bool operator==(const Style&) const = default;
    };

    explicit Picture(size_t maxItems) : maxItems_(maxItems) {}

    // False when the picture is full and the item was left out. A bitmap line's own jump and
    // pixels are not kept: the line stands for them.
    bool Add(const Move& move);
    bool Add(const PixelLine& line);
    void Clear();

    // Calls f(const Mark&) for every mark, in the order they were made.
    template <class F>
    void ForEachMark(F&& f) const {
        for (size_t run = 0; run < runs_.size(); ++run) ForEachMarkIn(run, f);
    }
    size_t Runs() const { return runs_.size(); }
    Style RunStyle(size_t run) const { return runs_[run].style; }
    // Calls f(const Mark&) for each mark of the run, in order.
    template <class F>
    void ForEachMarkIn(size_t run, F&& f) const;

    size_t MarkCount() const { return marks_; }
    const std::vector<Dot>& Dots() const { return dots_; }
    const std::vector<PixelLine>& Lines() const { return lines_; }
    size_t Size() const { return marks_ + dots_.size() + lines_.size(); }

private:
    struct Point {
        float x, y;
        bool operator==(const Point&) const = default;
    };
    struct Run {
        Style style;
        size_t firstPiece;
    };

    // Marks are kept as pieces: a piece is a chain of points, each mark from one point to the
    // next, so that a polyline's marks share their ends. A run is pieces of one style.
    size_t maxItems_;
    size_t marks_ = 0;
    std::vector<Point> points_;
    std::vector<size_t> pieces_;  // where each piece begins in points_
    std::vector<Run> runs_;
    std::vector<Dot> dots_;
    std::vector<PixelLine> lines_;
};

template <class F>
void Picture::ForEachMarkIn(size_t run, F&& f) const {
    const Style style = runs_[run].style;
    const size_t endPiece = run + 1 < runs_.size() ? runs_[run + 1].firstPiece : pieces_.size();
    for (size_t piece = runs_[run].firstPiece; piece < endPiece; ++piece) {
        const size_t end = piece + 1 < pieces_.size() ? pieces_[piece + 1] : points_.size();
        for (size_t i = pieces_[piece] + 1; i < end; ++i) {
            const Point a = points_[i - 1], b = points_[i];
            f(Mark{a.x, a.y, b.x, b.y, style.power, style.speed});
        }
    }
}

}  // namespace txorb::sim
