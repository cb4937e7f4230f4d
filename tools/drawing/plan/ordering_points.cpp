#include "drawing/plan/ordering_points.h"

#include <algorithm>
#include <cmath>

namespace txorb::drawing {
namespace {

// Points a leaf holds at most: a few more cost little to scan, a deeper tree costs more nodes.
constexpr uint32_t kLeafSize = 8;
// Levels of the tree at most: each halves a node of more than kLeafSize points.
constexpr size_t kDepth = 40;
// Beyond every field coordinate: the edges of the whole plane.
constexpr int32_t kPlaneEdge = 1 << 20;

// The grid: points a cell holds on average, cells across at most, how many cells a question's
// circle may reach out from its own, and how many points it may look at.
constexpr double kPointsPerCell = 2.0;
constexpr int32_t kMostCells = 4096;
constexpr int32_t kMostReach = 2;
constexpr size_t kMostScanned = 64;

}  // namespace

// The best points found so far, nearest first.
class NearestPoints {
public:
    NearestPoints(FieldPoint p, uint32_t owner, size_t count, int64_t below)
        : p(p), owner(owner), count_(std::min(count, PointIndex::kMostNearest)), below_(below) {}

    int64_t Bound() const { return held_ < count_ ? below_ : distance_[held_ - 1]; }
    void Offer(int64_t d, uint32_t place) {
        if (d >= Bound()) return;
        size_t k = held_ < count_ ? held_++ : held_ - 1;
        for (; k > 0 && distance_[k - 1] > d; --k) {
            distance_[k] = distance_[k - 1], place_[k] = place_[k - 1];
        }
        distance_[k] = d, place_[k] = place;
    }
    size_t Held() const { return held_; }
    uint32_t Place(size_t k) const { return place_[k]; }

    const FieldPoint p;
    const uint32_t owner;

private:
    const size_t count_;
    const int64_t below_;
    size_t held_ = 0;
    int64_t distance_[PointIndex::kMostNearest];
    uint32_t place_[PointIndex::kMostNearest];
};

PointIndex::PointIndex(std::vector<Entry> entries) : entries_(std::move(entries)) {
    const auto n = static_cast<uint32_t>(entries_.size());
    placed_.reserve(n);
    for (uint32_t i = 0; i < n; ++i) placed_.push_back({entries_[i].at, entries_[i].owner, i});
    live_.assign(n, 1);
    nodes_.reserve(n / 2 + 1);
    Build();
    place_.resize(n);
    for (uint32_t i = 0; i < n; ++i) place_[placed_[i].given] = i;
}

uint32_t PointIndex::MakeNode(uint32_t begin, uint32_t end, int32_t rx0, int32_t ry0, int32_t rx1,
                              int32_t ry1) {
    Node node{begin,     end,       end - begin, 0,   INT16_MAX, INT16_MAX,
              INT16_MIN, INT16_MIN, rx0,         ry0, rx1,       ry1};
    for (uint32_t i = begin; i < end; ++i) {
        const FieldPoint p = placed_[i].at;
        node.x0 = std::min(node.x0, p.x), node.x1 = std::max(node.x1, p.x);
        node.y0 = std::min(node.y0, p.y), node.y1 = std::max(node.y1, p.y);
    }
    nodes_.push_back(node);
    return static_cast<uint32_t>(nodes_.size() - 1);
}

// Splits each node's points at their middle across the wider side of its box, the halves in
// two nodes side by side, down to leaves.
void PointIndex::Build() {
    const auto n = static_cast<uint32_t>(placed_.size());
    std::vector<uint32_t> pending{MakeNode(0, n, -kPlaneEdge, -kPlaneEdge, kPlaneEdge, kPlaneEdge)};
    while (!pending.empty()) {
        const uint32_t at = pending.back();
        pending.pop_back();
        const Node node = nodes_[at];
        if (node.end - node.begin <= kLeafSize) continue;
        const bool alongX = int(node.x1) - int(node.x0) >= int(node.y1) - int(node.y0);
        const uint32_t mid = node.begin + (node.end - node.begin) / 2;
        std::nth_element(placed_.begin() + node.begin, placed_.begin() + mid,
                         placed_.begin() + node.end, [alongX](const Placed& a, const Placed& b) {
                             const int16_t va = alongX ? a.at.x : a.at.y;
                             const int16_t vb = alongX ? b.at.x : b.at.y;
                             return va < vb || (va == vb && a.given < b.given);
                         });
        // Points on the split line may lie on either side: the halves share that edge.
        const int32_t split = alongX ? placed_[mid].at.x : placed_[mid].at.y;
        const uint32_t left = alongX
                                  ? MakeNode(node.begin, mid, node.rx0, node.ry0, split, node.ry1)
                                  : MakeNode(node.begin, mid, node.rx0, node.ry0, node.rx1, split);
        if (alongX) {
            MakeNode(mid, node.end, split, node.ry0, node.rx1, node.ry1);
        } else {
            MakeNode(mid, node.end, node.rx0, split, node.rx1, node.ry1);
        }
        nodes_[at].left = left;
        pending.push_back(left);
        pending.push_back(left + 1);
    }
}

int64_t PointIndex::BoxDistance(const Node& n, FieldPoint p) {
    const int64_t dx = p.x < n.x0 ? n.x0 - p.x : p.x > n.x1 ? p.x - n.x1 : 0;
    const int64_t dy = p.y < n.y0 ? n.y0 - p.y : p.y > n.y1 ? p.y - n.y1 : 0;
    return dx * dx + dy * dy;
}

// The subtree's points offered, the nearer half first, leaving out what is no nearer than
// what is held.
void PointIndex::Down(uint32_t top, NearestPoints* q) const {
    struct Pending {
        uint32_t node;
        int64_t distance;
    } stack[kDepth + 2];
    size_t depth = 0;
    stack[depth++] = {top, BoxDistance(nodes_[top], q->p)};
    while (depth > 0) {
        const Pending at = stack[--depth];
        const Node& node = nodes_[at.node];
        if (node.live == 0 || at.distance >= q->Bound()) continue;
        if (node.left == 0) {
            for (uint32_t i = node.begin; i < node.end; ++i) {
                if (live_[i] && placed_[i].owner != q->owner) {
                    q->Offer(SquaredDistance(q->p, placed_[i].at), i);
                }
            }
            continue;
        }
        const int64_t dl = BoxDistance(nodes_[node.left], q->p);
        const int64_t dr = BoxDistance(nodes_[node.left + 1], q->p);
        const bool leftNear = dl <= dr;
        stack[depth++] = {leftNear ? node.left + 1 : node.left, leftNear ? dr : dl};
        stack[depth++] = {leftNear ? node.left : node.left + 1, leftNear ? dl : dr};
    }
}

size_t PointIndex::Nearest(FieldPoint p, uint32_t beside, uint32_t owner, size_t count,
                           int64_t below, uint32_t* out) const {
    if (nodes_.empty() || count == 0) return 0;
    NearestPoints q(p, owner, count, below);
    if (beside == kNone) {
        Down(0, &q);
    } else {
        // The way down to the leaf of `beside`, then up again: at each level the other half,
        // until the part of the plane climbed through holds every point that could be nearer.
        const uint32_t place = place_[beside];
        uint32_t path[kDepth + 1];
        size_t depth = 0;
        for (uint32_t at = 0;;) {
            path[depth++] = at;
            const Node& node = nodes_[at];
            if (node.left == 0) break;
            at = place < nodes_[node.left].end ? node.left : node.left + 1;
        }
        Down(path[depth - 1], &q);
        for (size_t level = depth - 1; level > 0; --level) {
            const Node& node = nodes_[path[level]];
            const int64_t inside = std::min({int64_t(p.x) - node.rx0, int64_t(node.rx1) - p.x,
                                             int64_t(p.y) - node.ry0, int64_t(node.ry1) - p.y});
            if (inside > 0 && inside * inside >= q.Bound()) break;
            const uint32_t parent = path[level - 1];
            Down(path[level] == nodes_[parent].left ? path[level] + 1 : path[level] - 1, &q);
        }
    }
    for (size_t k = 0; k < q.Held(); ++k) out[k] = placed_[q.Place(k)].given;
    return q.Held();
}

void PointIndex::Remove(uint32_t index) {
    const uint32_t place = place_[index];
    if (!live_[place]) return;
    live_[place] = 0;
    for (uint32_t at = 0;;) {
        Node& node = nodes_[at];
        --node.live;
        if (node.left == 0) return;
        at = place < nodes_[node.left].end ? node.left : node.left + 1;
    }
}

void PointIndex::KeepOnly(const std::vector<uint32_t>& indices) {
    std::fill(live_.begin(), live_.end(), 0);
    for (const uint32_t i : indices) live_[place_[i]] = 1;
    // Children are made after their parents: counted from the last node back, a parent's
    // children are counted before it.
    for (size_t k = nodes_.size(); k-- > 0;) {
        Node& node = nodes_[k];
        if (node.left != 0) {
            node.live = nodes_[node.left].live + nodes_[node.left + 1].live;
            continue;
        }
        node.live = 0;
        for (uint32_t i = node.begin; i < node.end; ++i) node.live += live_[i];
    }
}

void PointIndex::Relabel(uint32_t index, uint32_t owner, uint32_t tag) {
    entries_[index].owner = owner;
    entries_[index].tag = tag;
    placed_[place_[index]].owner = owner;
}

PointGrid::PointGrid(const PointIndex& index, const std::vector<uint32_t>& indices) {
    // Each entry once (a loop's two ends are one), in the order given.
    std::vector<uint32_t> given;
    given.reserve(indices.size());
    for (size_t k = 0; k < indices.size(); ++k) {
        if (k == 0 || indices[k] != indices[k - 1]) given.push_back(indices[k]);
    }
    if (given.empty()) return;
    int32_t x1 = INT32_MIN, y1 = INT32_MIN;
    x0_ = y0_ = INT32_MAX;
    for (const uint32_t g : given) {
        const FieldPoint p = index.Given(g).at;
        x0_ = std::min<int32_t>(x0_, p.x), x1 = std::max<int32_t>(x1, p.x);
        y0_ = std::min<int32_t>(y0_, p.y), y1 = std::max<int32_t>(y1, p.y);
    }
    const int32_t side = std::max(x1 - x0_, y1 - y0_) + 1;
    const auto across = static_cast<int32_t>(
        std::clamp(std::sqrt(double(given.size()) / kPointsPerCell), 1.0, double(kMostCells)));
    // Cells a power of two wide: a point's cell is a shift away.
    while ((1 << shift_) * across < side) ++shift_;
    columns_ = ((x1 - x0_) >> shift_) + 1, rows_ = ((y1 - y0_) >> shift_) + 1;
    auto cellOf = [this](FieldPoint p) {
        return size_t((p.y - y0_) >> shift_) * size_t(columns_) + size_t((p.x - x0_) >> shift_);
    };
    first_.assign(size_t(columns_) * size_t(rows_) + 1, 0);
    for (const uint32_t g : given) ++first_[cellOf(index.Given(g).at) + 1];
    for (size_t c = 1; c < first_.size(); ++c) first_[c] += first_[c - 1];
    held_.resize(given.size());
    std::vector<uint32_t> next(first_.begin(), first_.end() - 1);
    for (const uint32_t g : given) {
        const PointIndex::Entry& e = index.Given(g);
        held_[next[cellOf(e.at)]++] = {e.at, e.owner, g};
    }
}

bool PointGrid::Nearest(FieldPoint p, uint32_t owner, size_t count, int64_t below, uint32_t* out,
                        size_t* found) const {
    *found = 0;
    if (held_.empty() || below <= 0) return true;
    const int64_t reach = int64_t(kMostReach) << shift_;
    if (below > reach * reach) return false;
    const auto r = static_cast<int32_t>(std::ceil(std::sqrt(double(below))));
    const int32_t cx0 = std::clamp((p.x - r - x0_) >> shift_, 0, columns_ - 1);
    const int32_t cx1 = std::clamp((p.x + r - x0_) >> shift_, 0, columns_ - 1);
    const int32_t cy0 = std::clamp((p.y - r - y0_) >> shift_, 0, rows_ - 1);
    const int32_t cy1 = std::clamp((p.y + r - y0_) >> shift_, 0, rows_ - 1);
    size_t points = 0;
    for (int32_t cy = cy0; cy <= cy1; ++cy) {
        const size_t row = size_t(cy) * size_t(columns_);
        points += first_[row + size_t(cx1) + 1] - first_[row + size_t(cx0)];
    }
    if (points > kMostScanned) return false;
    NearestPoints q(p, owner, count, below);
    for (int32_t cy = cy0; cy <= cy1; ++cy) {
        const size_t row = size_t(cy) * size_t(columns_);
        for (size_t i = first_[row + size_t(cx0)]; i < first_[row + size_t(cx1) + 1]; ++i) {
            if (held_[i].owner != owner) q.Offer(SquaredDistance(p, held_[i].at), uint32_t(i));
        }
    }
    for (size_t k = 0; k < q.Held(); ++k) out[k] = held_[q.Place(k)].given;
    *found = q.Held();
    return true;
}

}  // namespace txorb::drawing
