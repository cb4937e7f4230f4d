#include "cli/ordering.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace txorb::cli {
namespace {

using Clock = std::chrono::steady_clock;

// How many places ahead a 2-opt move may reach: the nearest-neighbour order already keeps
// neighbours close, and a wider window costs its square in time.
constexpr size_t kWindow = 48;

double Dist(FieldPoint a, FieldPoint b) {
    return std::hypot(double(a.x) - double(b.x), double(a.y) - double(b.y));
}

// Polyline ends in buckets of a square grid over the field, for the nearest free end.
class EndGrid {
public:
    explicit EndGrid(const std::vector<std::vector<FieldPoint>>& lines) : lines_(lines) {
        const double n = std::max<double>(1.0, double(lines.size()));
        cells_ = std::clamp(static_cast<int>(std::sqrt(n)), 1, 1024);
        buckets_.resize(size_t(cells_) * size_t(cells_));
        for (size_t i = 0; i < lines.size(); ++i) {
            Bucket(lines[i].front()).push_back(i);
            if (!(lines[i].back() == lines[i].front())) Bucket(lines[i].back()).push_back(i);
        }
        used_.assign(lines.size(), false);
    }

    // The free polyline with an end nearest to p, and whether that end is its back.
    bool Nearest(FieldPoint p, size_t* index, bool* reversed) {
        const int cx = Cell(p.x), cy = Cell(p.y);
        double best = 1e300;
        bool found = false;
        for (int ring = 0; ring < cells_; ++ring) {
            // Everything in further rings is at least (ring - 1) cells away.
            if (found && (ring - 1) * CellSize() > best) break;
            // The ring's edge only: the top and bottom rows, then the sides between them.
            for (int x = cx - ring; x <= cx + ring; ++x) {
                Visit(x, cy - ring, p, &best, index, reversed, &found);
                if (ring > 0) Visit(x, cy + ring, p, &best, index, reversed, &found);
            }
            for (int y = cy - ring + 1; y <= cy + ring - 1; ++y) {
                Visit(cx - ring, y, p, &best, index, reversed, &found);
                if (ring > 0) Visit(cx + ring, y, p, &best, index, reversed, &found);
            }
        }
        if (found) used_[*index] = true;
        return found;
    }

private:
    static constexpr double kSpan = 65536.0;
    double CellSize() const { return kSpan / cells_; }
    int Cell(int v) const { return std::clamp(static_cast<int>((v + 32768.0) / CellSize()), 0, cells_ - 1); }
    std::vector<size_t>& Bucket(FieldPoint p) {
        return buckets_[size_t(Cell(p.y)) * size_t(cells_) + size_t(Cell(p.x))];
    }
    void Visit(int x, int y, FieldPoint p, double* best, size_t* index, bool* reversed,
               bool* found) {
        if (x < 0 || y < 0 || x >= cells_ || y >= cells_) return;
        Scan(buckets_[size_t(y) * size_t(cells_) + size_t(x)], p, best, index, reversed, found);
    }
    void Scan(std::vector<size_t>& bucket, FieldPoint p, double* best, size_t* index,
              bool* reversed, bool* found) {
        for (size_t k = 0; k < bucket.size();) {
            const size_t i = bucket[k];
            if (used_[i]) {  // taken since it was put here: drop it for good
                bucket[k] = bucket.back();
                bucket.pop_back();
                continue;
            }
            const double front = Dist(p, lines_[i].front());
            const double back = Dist(p, lines_[i].back());
            if (std::min(front, back) < *best) {
                *best = std::min(front, back);
                *index = i;
                *reversed = back < front;
                *found = true;
            }
            ++k;
        }
    }

    const std::vector<std::vector<FieldPoint>>& lines_;
    int cells_ = 1;
    std::vector<std::vector<size_t>> buckets_;
    std::vector<bool> used_;
};

void NearestNeighbour(std::vector<std::vector<FieldPoint>>* lines, FieldPoint start) {
    EndGrid grid(*lines);
    std::vector<std::vector<FieldPoint>> ordered;
    ordered.reserve(lines->size());
    FieldPoint at = start;
    size_t index = 0;
    bool reversed = false;
    while (grid.Nearest(at, &index, &reversed)) {
        std::vector<FieldPoint> line = std::move((*lines)[index]);
        if (reversed) std::reverse(line.begin(), line.end());
        at = line.back();
        ordered.push_back(std::move(line));
    }
    *lines = std::move(ordered);
}

// Reversing polylines i+1..j (and each of them) replaces the jumps e(i)->s(i+1) and
// e(j)->s(j+1) by e(i)->e(j) and s(i+1)->s(j+1).
bool TwoOptPass(std::vector<std::vector<FieldPoint>>* lines, FieldPoint start, Clock::time_point end) {
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

double JumpTravel(const std::vector<std::vector<FieldPoint>>& lines, FieldPoint start) {
    double total = 0.0;
    FieldPoint at = start;
    for (const auto& line : lines) {
        total += Dist(at, line.front());
        at = line.back();
    }
    return total;
}

void OrderPolylines(std::vector<std::vector<FieldPoint>>* lines, FieldPoint start, double seconds) {
    if (lines->empty()) return;
    NearestNeighbour(lines, start);
    const Clock::time_point end =
        Clock::now() + std::chrono::microseconds(static_cast<long long>(seconds * 1e6));
    while (Clock::now() < end && TwoOptPass(lines, start, end)) {
    }
}

}  // namespace txorb::cli
