#include "drawing/plan/ordering.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>

namespace txorb::drawing {
namespace {

using Clock = std::chrono::steady_clock;

// How many places ahead a 2-opt move may reach: the nearest-neighbour order already keeps
// neighbours close, and a wider window costs its square in time.
constexpr size_t kWindow = 48;

double Dist(FieldPoint a, FieldPoint b) {
    return std::hypot(double(a.x) - double(b.x), double(a.y) - double(b.y));
}

// Places a polyline can be entered at, in buckets of a square grid over the field: both ends
// of an open polyline, and every corner of a closed one (it can start anywhere on its loop).
class EntryGrid {
public:
    explicit EntryGrid(const std::vector<Polyline>& lines) : lines_(lines) {
        const double n = std::max<double>(1.0, double(lines.size()));
        cells_ = std::clamp(static_cast<int>(std::sqrt(n)), 1, 1024);
        buckets_.resize(size_t(cells_) * size_t(cells_));
        for (size_t i = 0; i < lines.size(); ++i) {
            const auto& l = lines[i];
            const bool closed = l.size() > 2 && l.back() == l.front();
            const size_t last = l.size() - 1;
            for (size_t v = 0; v < (closed ? last : l.size());
                 v += (closed ? 1 : std::max<size_t>(last, 1))) {
                Bucket(l[v]).push_back({static_cast<uint32_t>(i), static_cast<uint32_t>(v)});
            }
        }
        used_.assign(lines.size(), false);
    }

    // The free polyline with an entry nearest to p, and the index of that entry.
    bool Nearest(FieldPoint p, size_t* index, size_t* vertex) {
        const int cx = Cell(p.x), cy = Cell(p.y);
        Best best;
        for (int ring = 0; ring < cells_; ++ring) {
            // Everything in further rings is at least (ring - 1) cells away.
            if (best.found && (ring - 1) * CellSize() > best.distance) break;
            // The ring's edge only: the top and bottom rows, then the sides between them.
            for (int x = cx - ring; x <= cx + ring; ++x) {
                Visit(x, cy - ring, p, &best);
                if (ring > 0) Visit(x, cy + ring, p, &best);
            }
            for (int y = cy - ring + 1; y <= cy + ring - 1; ++y) {
                Visit(cx - ring, y, p, &best);
                if (ring > 0) Visit(cx + ring, y, p, &best);
            }
        }
        if (!best.found) return false;
        used_[best.entry.line] = true;
        *index = best.entry.line;
        *vertex = best.entry.vertex;
        return true;
    }

private:
    struct Entry {
        uint32_t line, vertex;
    };
    struct Best {
        Entry entry{0, 0};
        double distance = 1e300;
        bool found = false;
    };
    static constexpr double kSpan = 65536.0;
    double CellSize() const { return kSpan / cells_; }
    int Cell(int v) const {
        return std::clamp(static_cast<int>((v + 32768.0) / CellSize()), 0, cells_ - 1);
    }
    std::vector<Entry>& Bucket(FieldPoint p) {
        return buckets_[size_t(Cell(p.y)) * size_t(cells_) + size_t(Cell(p.x))];
    }
    void Visit(int x, int y, FieldPoint p, Best* best) {
        if (x < 0 || y < 0 || x >= cells_ || y >= cells_) return;
        auto& bucket = buckets_[size_t(y) * size_t(cells_) + size_t(x)];
        for (size_t k = 0; k < bucket.size();) {
            const Entry e = bucket[k];
            if (used_[e.line]) {  // taken since it was put here: drop it for good
                bucket[k] = bucket.back();
                bucket.pop_back();
                continue;
            }
            const double d = Dist(p, lines_[e.line][e.vertex]);
            if (d < best->distance) *best = {e, d, true};
            ++k;
        }
    }

    const std::vector<Polyline>& lines_;
    int cells_ = 1;
    std::vector<std::vector<Entry>> buckets_;
    std::vector<bool> used_;
};

// The polyline entered at `vertex`: an open one backwards from its end, a closed one round
// its loop from that corner back to it.
void EnterAt(std::vector<FieldPoint>* line, size_t vertex) {
    if (vertex == 0) return;
    const bool closed = line->size() > 2 && line->back() == line->front();
    if (!closed) {
        std::reverse(line->begin(), line->end());
        return;
    }
    line->pop_back();
    std::rotate(line->begin(), line->begin() + long(vertex), line->end());
    line->push_back(line->front());
}

void NearestNeighbour(std::vector<Polyline>* lines, FieldPoint start) {
    EntryGrid grid(*lines);
    std::vector<Polyline> ordered;
    ordered.reserve(lines->size());
    FieldPoint at = start;
    size_t index = 0, vertex = 0;
    while (grid.Nearest(at, &index, &vertex)) {
        std::vector<FieldPoint> line = std::move((*lines)[index]);
        EnterAt(&line, vertex);
        at = line.back();
        ordered.push_back(std::move(line));
    }
    *lines = std::move(ordered);
}

// Reversing polylines i+1..j (and each of them) replaces the jumps e(i)->s(i+1) and
// e(j)->s(j+1) by e(i)->e(j) and s(i+1)->s(j+1).
bool TwoOptPass(std::vector<Polyline>* lines, FieldPoint start, Clock::time_point end) {
    auto& l = *lines;
    const size_t n = l.size();
    bool improved = false;
    for (size_t i = 0; i < n; ++i) {
        if ((i & 255) == 0 && Clock::now() > end) return false;
        const FieldPoint ei = i == 0 ? start : l[i - 1].back();
        const FieldPoint si1 = l[i].front();
        for (size_t j = i; j < n && j < i + kWindow; ++j) {
            const FieldPoint ej = l[j].back();
            const bool last = j + 1 == n;
            const double before = Dist(ei, si1) + (last ? 0.0 : Dist(ej, l[j + 1].front()));
            const double after = Dist(ei, ej) + (last ? 0.0 : Dist(si1, l[j + 1].front()));
            if (after + 0.5 < before) {
                std::reverse(l.begin() + long(i), l.begin() + long(j) + 1);
                for (size_t k = i; k <= j; ++k) std::reverse(l[k].begin(), l[k].end());
                improved = true;
                break;
            }
        }
    }
    return improved;
}

}  // namespace

double JumpTravel(const std::vector<Polyline>& lines, FieldPoint start) {
    double total = 0.0;
    FieldPoint at = start;
    for (const auto& line : lines) {
        total += Dist(at, line.front());
        at = line.back();
    }
    return total;
}

void OrderPolylines(std::vector<Polyline>* lines, FieldPoint start, double seconds) {
    if (lines->empty()) return;
    NearestNeighbour(lines, start);
    const Clock::time_point end =
        Clock::now() + std::chrono::microseconds(static_cast<long long>(seconds * 1e6));
    while (Clock::now() < end && TwoOptPass(lines, start, end)) {
    }
}

}  // namespace txorb::drawing
