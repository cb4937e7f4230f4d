// Points in the field indexed for the ordering's nearest-point questions: a k-d tree built
// once, whose points can be taken out as polylines are used up. Each subtree counts the points
// it still holds, so a question skips what is used up instead of searching ever further out;
// a question asked from beside a point of the tree starts at that point's leaf and climbs
// only as far as its answer could lie, so that near answers cost little whatever the size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "drawing/plan/mark_plan.h"

namespace txorb::drawing {

// The squared distance between two field points, in bits^2 (exact).
inline int64_t SquaredDistance(FieldPoint a, FieldPoint b) {
    const int64_t dx = int64_t(a.x) - b.x, dy = int64_t(a.y) - b.y;
    return dx * dx + dy * dy;
}

// The points nearest to a place, nearest first, as a question collects them.
class NearestPoints;

class PointIndex {
public:
    struct Entry {
        FieldPoint at;
        uint32_t owner = 0;  // the polyline the point belongs to
        uint32_t tag = 0;    // what the caller needs back (a corner's index, an end)
    };
    // Most points one question may ask for.
    static constexpr size_t kMostNearest = 16;
    static constexpr uint32_t kNone = UINT32_MAX;

    explicit PointIndex(std::vector<Entry> entries);

    // The indices (as given) of up to `count` (at most kMostNearest) points left nearest to p
    // and nearer than sqrt(below), nearest first, leaving out those of `owner` (kNone: none);
    // returns how many. `beside` is the index of an entry at or near p to start from (kNone:
    // the whole tree). Of points as near, the same ones are found every time.
    size_t Nearest(FieldPoint p, uint32_t beside, uint32_t owner, size_t count, int64_t below,
                   uint32_t* out) const;
    const Entry& Given(uint32_t index) const { return entries_[index]; }
    // Takes out the entry given at `index`.
    void Remove(uint32_t index);
    // Leaves only the entries given at these indices in, in one go.
    void KeepOnly(const std::vector<uint32_t>& indices);
    // What the entry given at `index` answers from now on.
    void Relabel(uint32_t index, uint32_t owner, uint32_t tag);

private:
    struct Node {
        uint32_t begin, end;         // its points in placed_
        uint32_t live;               // of them not taken out
        uint32_t left;               // the right child is left + 1; 0 for a leaf
        int16_t x0, y0, x1, y1;      // the box of its points
        int32_t rx0, ry0, rx1, ry1;  // the part of the plane it was split off (edges shared)
    };
    struct Placed {
        FieldPoint at;
        uint32_t owner;
        uint32_t given;  // its index in the constructor's vector
    };
    uint32_t MakeNode(uint32_t begin, uint32_t end, int32_t rx0, int32_t ry0, int32_t rx1,
                      int32_t ry1);
    void Build();
    static int64_t BoxDistance(const Node& n, FieldPoint p);
    void Down(uint32_t node, NearestPoints* q) const;

    std::vector<Entry> entries_;   // as given
    std::vector<Placed> placed_;   // in the tree's order
    std::vector<uint32_t> place_;  // of each given index in placed_
    std::vector<uint8_t> live_;    // by place
    std::vector<Node> nodes_;
};

// Points that stay (none taken out) in a grid of square cells, about two points a cell: a
// question whose answer lies within a few cells is answered by looking at those alone, which
// costs less than the tree's climb.
class PointGrid {
public:
    // The entries of `index` given at these indices (a repeat of the one before is left out).
    PointGrid(const PointIndex& index, const std::vector<uint32_t>& indices);

    // As PointIndex::Nearest from beside p; false when the circle of sqrt(below) round p
    // covers more cells or points than pay to look at: then ask the tree.
    bool Nearest(FieldPoint p, uint32_t owner, size_t count, int64_t below, uint32_t* out,
                 size_t* found) const;

private:
    struct Held {
        FieldPoint at;
        uint32_t owner, given;
    };
    int32_t x0_ = 0, y0_ = 0, shift_ = 0, columns_ = 1, rows_ = 1;  // cells 2^shift_ wide
    std::vector<uint32_t> first_;  // the cell's points are held_[first_[c]..first_[c + 1])
    std::vector<Held> held_;
};

}  // namespace txorb::drawing
