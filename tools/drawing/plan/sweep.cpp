#include "drawing/plan/sweep.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <thread>
#include <unordered_map>

namespace txorb::drawing {
namespace {

// The most lines one sweep takes: 32 a bit over the whole field (a finer grid marks nothing
// a card could show, and would only cost memory).
constexpr int64_t kMaxLines = 65536 * 32;
// Below this many crossings a second thread costs more than it saves.
constexpr size_t kCrossingsPerThread = 20000;

struct Frame {
    double c, s;  // the grid's direction
    double U(Point p) const { return p.x * c + p.y * s; }
    double V(Point p) const { return -p.x * s + p.y * c; }
};

Frame FrameOf(const SweepGrid& g) {
    const double r = g.angleDegrees * std::numbers::pi / 180.0;
    return {std::cos(r), std::sin(r)};
}

double LineV(const SweepGrid& g, int64_t j) { return double(j) * g.step + g.offset; }

// The first line at or above v (strictly above when `after`), exact against LineV.
int64_t FirstLineFrom(const SweepGrid& g, double v, bool after) {
    v = v == v ? std::clamp(v, -kFarBits * 4, kFarBits * 4) : 0.0;
    int64_t j = static_cast<int64_t>(std::ceil((v - g.offset) / g.step));
    auto below = [&](int64_t k) { return after ? LineV(g, k) <= v : LineV(g, k) < v; };
    while (below(j)) ++j;
    while (!below(j - 1)) --j;
    return j;
}

// An edge crossing lines j0..j1: on line j it lies at u0 + (j - j0) * du. Each edge covers
// the lines in [its lower v, its upper v), so that a vertex on a line is crossed once.
struct Edge {
    double u0, du;
    int32_t j0, j1;
    uint32_t region;  // paints first, then clips
    int32_t dir;
};

void AddRing(const std::vector<Point>& ring, uint32_t region, const Frame& f, const SweepGrid& g,
             int64_t first, int64_t last, std::vector<Edge>* edges) {
    const size_t n = ring.size();
    if (n < 2) return;
    for (size_t i = 0; i < n; ++i) {
        const Point pa = ring[i], pb = ring[(i + 1) % n];
        const double va = f.V(pa), vb = f.V(pb);
        if (va == vb || !std::isfinite(va) || !std::isfinite(vb)) continue;
        const bool up = va < vb;
        const double vlo = up ? va : vb, vhi = up ? vb : va;
        const int64_t j0 = std::max(first, FirstLineFrom(g, vlo, false));
        const int64_t j1 = std::min(last, FirstLineFrom(g, vhi, false) - 1);
        if (j1 < j0) continue;
        const double ua = f.U(pa), ub = f.U(pb);
        const double slope = (ub - ua) / (vb - va);
        edges->push_back({ua + (LineV(g, j0) - va) * slope, slope * g.step,
                          static_cast<int32_t>(j0 - first), static_cast<int32_t>(j1 - first),
                          region, up ? 1 : -1});
    }
}

struct KeyHash {
    size_t operator()(const SweepKey& k) const {
        uint64_t h = (uint64_t(k.colour.r) << 16) | (uint64_t(k.colour.g) << 8) | k.colour.b;
        h ^= uint64_t(k.group) * 0x9E3779B97F4A7C15ull;
        h ^= uint64_t(uint32_t(k.picture)) * 0xC2B2AE3D27D4EB4Full;
        return static_cast<size_t>(h ^ (h >> 29));
    }
};

// What the walk down the cover needs of each paint, packed together.
struct PaintInfo {
    Colour colour;
    bool opaque = false;
    int32_t picture = -1;
    uint32_t item = 0, group = 0;
    uint32_t clipBegin = 0, clipEnd = 0;  // into Tables::clipRegions
    double opacity = 1.0;
};

struct Tables {
    std::vector<PaintInfo> paints;
    std::vector<uint32_t> clipRegions;
    std::vector<uint8_t> evenOdd;  // by region: paints, then clips
};

Tables TablesOf(const Faces& faces) {
    Tables t;
    for (const AreaPaint& a : faces.areas) {
        PaintInfo p{a.colour, a.opacity >= 1.0, a.picture,
                    a.item,   a.group,          uint32_t(t.clipRegions.size()),
                    0,        a.opacity};
        for (uint32_t c : a.clips) t.clipRegions.push_back(uint32_t(faces.areas.size()) + c);
        p.clipEnd = uint32_t(t.clipRegions.size());
        t.paints.push_back(p);
        t.evenOdd.push_back(a.area.rule == FillRule::kEvenOdd);
    }
    for (const Area& c : faces.clips) t.evenOdd.push_back(c.rule == FillRule::kEvenOdd);
    return t;
}

// One thread's share: lines [a, b] (relative to the sweep's first line).
class Worker {
public:
    Worker(const Tables& tables, const std::vector<Edge>& edges, const SweepGrid& grid,
           int64_t firstLine)
        : t_(tables),
          edges_(edges),
          grid_(grid),
          frame_(FrameOf(grid)),
          firstLine_(firstLine),
          winding_(tables.evenOdd.size(), 0),
          inside_(tables.evenOdd.size(), 0),
          paintKey_(tables.paints.size(), kNone),
          seen_(kSeenSlots, UINT64_MAX) {}

    void Run(int32_t a, int32_t b);

    std::vector<size_t> lineStarts;
    std::vector<Span> spans;
    std::vector<SweepKey> keys;
    std::vector<std::pair<uint32_t, uint32_t>> keyItems;

private:
    static constexpr uint32_t kNone = UINT32_MAX;
    static constexpr size_t kSeenSlots = 4096;

    void Advance(int32_t j, size_t* next);
    void Line(int32_t j);
    void Cross(const Edge& e);
    bool Evaluate(uint32_t* key, int64_t* floor);
    bool Clipped(const PaintInfo& p) const;
    uint32_t KeyId(const SweepKey& k, uint32_t item);
    void Emit(double u0, double u1, uint32_t key, double lo, double hi);
    void FieldRange(int32_t j, double* lo, double* hi) const;

    const Tables& t_;
    const std::vector<Edge>& edges_;
    const SweepGrid grid_;
    const Frame frame_;
    const int64_t firstLine_;
    std::vector<int32_t> winding_;
    std::vector<uint8_t> inside_;
    std::vector<uint32_t> cover_;  // paints inside their own outline, in paint order
    std::vector<std::pair<double, uint32_t>> active_, fresh_, merged_;  // (u, edge)
    std::vector<uint32_t> translucent_;
    std::unordered_map<SweepKey, uint32_t, KeyHash> ids_;
    std::vector<uint32_t> paintKey_;  // the key of a paint that shows alone (opaque, on top)
    std::vector<uint64_t> seen_;      // (key, item) pairs recently added to keyItems
};

void Worker::Cross(const Edge& e) {
    const uint32_t r = e.region;
    const int32_t w = winding_[r] += e.dir;
    const uint8_t now = t_.evenOdd[r] ? uint8_t(w & 1) : uint8_t(w != 0);
    if (now == inside_[r]) return;
    inside_[r] = now;
    if (r >= t_.paints.size()) return;
    const auto at = std::lower_bound(cover_.begin(), cover_.end(), r);
    if (now) {
        cover_.insert(at, r);
    } else {
        cover_.erase(at);
    }
}

uint32_t Worker::KeyId(const SweepKey& k, uint32_t item) {
    auto [it, added] = ids_.try_emplace(k, static_cast<uint32_t>(keys.size()));
    if (added) keys.push_back(k);
    const uint64_t pair = (uint64_t(it->second) << 32) | item;
    uint64_t& slot = seen_[(pair * 0x9E3779B97F4A7C15ull) >> 52];
    if (slot != pair) {
        slot = pair;
        keyItems.emplace_back(it->second, item);
    }
    return it->second;
}

bool Worker::Clipped(const PaintInfo& p) const {
    for (uint32_t c = p.clipBegin; c < p.clipEnd; ++c) {
        if (!inside_[t_.clipRegions[c]]) return true;
    }
    return false;
}

// The key of what shows where the cover stands now: walked from the top paint down to the
// first that hides what is below it, then blended back up. *floor is that paint: nothing
// below it can change the key (-1 when the walk reached the page).
bool Worker::Evaluate(uint32_t* key, int64_t* floor) {
    *floor = -1;
    translucent_.clear();
    const PaintInfo* top = nullptr;
    const PaintInfo* base = nullptr;
    for (size_t i = cover_.size(); i-- > 0;) {
        const uint32_t index = cover_[i];
        const PaintInfo& p = t_.paints[index];
        if (Clipped(p)) continue;
        if (!top) {
            top = &p;
            // Paint that shows alone always gives the same key.
            if (p.opaque || p.picture >= 0) {
                *floor = index;
                uint32_t& k = paintKey_[index];
                if (k == kNone) k = KeyId({p.colour, p.group, p.picture}, p.item);
                *key = k;
                return true;
            }
        }
        if (p.picture >= 0) {
            *floor = index;
            *key = KeyId({p.colour, p.group, p.picture}, p.item);
            return true;
        }
        if (p.opaque) {
            *floor = index;
            base = &p;
            break;
        }
        translucent_.push_back(index);
    }
    if (!top) return false;
    double rgb[3] = {255.0, 255.0, 255.0};
    if (base) rgb[0] = base->colour.r, rgb[1] = base->colour.g, rgb[2] = base->colour.b;
    for (size_t i = translucent_.size(); i-- > 0;) {
        const PaintInfo& p = t_.paints[translucent_[i]];
        const double a = p.opacity;
        rgb[0] = rgb[0] * (1.0 - a) + p.colour.r * a;
        rgb[1] = rgb[1] * (1.0 - a) + p.colour.g * a;
        rgb[2] = rgb[2] * (1.0 - a) + p.colour.b * a;
    }
    auto byte = [](double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); };
    *key = KeyId({{byte(rgb[0]), byte(rgb[1]), byte(rgb[2])}, top->group, -1}, top->item);
    return true;
}

// The stretch of line j inside the field square.
void Worker::FieldRange(int32_t j, double* lo, double* hi) const {
    const double v = LineV(grid_, firstLine_ + j);
    *lo = -1e300, *hi = 1e300;
    // x = u c - v s and y = u s + v c must both lie within the field.
    auto bound = [&](double k, double rest) {
        if (std::fabs(k) < 1e-12) {
            if (rest < kFieldLowBits || rest > kFieldHighBits) *lo = 1e300;
            return;
        }
        double a = (kFieldLowBits - rest) / k, b = (kFieldHighBits - rest) / k;
        if (a > b) std::swap(a, b);
        *lo = std::max(*lo, a), *hi = std::min(*hi, b);
    };
    bound(frame_.c, -v * frame_.s);
    bound(frame_.s, v * frame_.c);
}

void Worker::Emit(double u0, double u1, uint32_t key, double lo, double hi) {
    u0 = std::max(u0, lo), u1 = std::min(u1, hi);
    if (!(u1 > u0)) return;
    if (spans.size() > lineStarts.back()) {
        Span& last = spans.back();
        if (last.key == key && last.u1 == u0) {
            last.u1 = u1;
            return;
        }
    }
    spans.push_back({u0, u1, key});
}

// The active edges at line j, sorted by where they cross it. Edges keep their order from line
// to line but for where they cross each other: an insertion sort is near linear, and gives
// way to a full sort when the order has changed too much. Edges that begin here are sorted
// on their own and merged in.
void Worker::Advance(int32_t j, size_t* next) {
    size_t kept = 0;
    for (const auto& act : active_) {
        const Edge& e = edges_[act.second];
        if (e.j1 < j) continue;
        active_[kept++] = {e.u0 + double(j - e.j0) * e.du, act.second};
    }
    active_.resize(kept);
    size_t moves = 0;
    const size_t budget = 8 * active_.size() + 64;
    for (size_t i = 1; i < active_.size() && moves <= budget; ++i) {
        for (size_t k = i; k > 0 && active_[k].first < active_[k - 1].first; --k, ++moves) {
            std::swap(active_[k], active_[k - 1]);
        }
    }
    // Crossings at one u may come in any order: all of them are taken before the next stretch.
    auto byU = [](const auto& a, const auto& b) { return a.first < b.first; };
    if (moves > budget) std::sort(active_.begin(), active_.end(), byU);
    fresh_.clear();
    for (; *next < edges_.size() && edges_[*next].j0 <= j; ++*next) {
        const Edge& e = edges_[*next];
        if (e.j1 >= j) fresh_.push_back({e.u0 + double(j - e.j0) * e.du, uint32_t(*next)});
    }
    if (fresh_.empty()) return;
    std::sort(fresh_.begin(), fresh_.end(), byU);
    merged_.resize(active_.size() + fresh_.size());
    std::merge(active_.begin(), active_.end(), fresh_.begin(), fresh_.end(), merged_.begin(), byU);
    active_.swap(merged_);
}

void Worker::Line(int32_t j) {
    double lo, hi;
    FieldRange(j, &lo, &hi);
    const size_t n = active_.size();
    uint32_t key = 0;
    bool shows = false;
    int64_t floor = -1;
    for (size_t i = 0; i < n;) {
        const double u = active_[i].first;
        // A crossing under the paint that hid everything below it changes nothing.
        bool changed = !shows;
        for (; i < n && active_[i].first == u; ++i) {
            const Edge& e = edges_[active_[i].second];
            Cross(e);
            changed = changed || e.region >= t_.paints.size() || int64_t(e.region) >= floor;
        }
        if (i == n || cover_.empty()) {
            shows = false;
            continue;
        }
        if (changed) shows = Evaluate(&key, &floor);
        if (shows) Emit(u, active_[i].first, key, lo, hi);
    }
}

void Worker::Run(int32_t a, int32_t b) {
    lineStarts.push_back(0);
    // Edges are sorted by their first line: those begun before line a join at once.
    size_t next = 0;
    for (int32_t j = a; j <= b; ++j) {
        Advance(j, &next);
        Line(j);
        lineStarts.push_back(spans.size());
    }
}

// Lines split where the crossings before them reach each thread's share.
std::vector<int32_t> Shares(const std::vector<Edge>& edges, int32_t lines, int threads) {
    std::vector<int64_t> perLine(size_t(lines) + 1, 0);
    for (const Edge& e : edges) ++perLine[size_t(e.j0)], --perLine[size_t(e.j1) + 1];
    int64_t total = 0, running = 0;
    for (int32_t j = 0; j < lines; ++j) running += perLine[size_t(j)], total += running + 1;
    std::vector<int32_t> starts{0};
    int64_t done = 0;
    running = 0;
    for (int32_t j = 0; j < lines && int(starts.size()) < threads; ++j) {
        running += perLine[size_t(j)];
        done += running + 1;
        if (done * threads >= total * int64_t(starts.size())) starts.push_back(j + 1);
    }
    starts.push_back(lines);
    return starts;
}

// The edges of every area and clip, by their first line (a counting sort: stable, linear).
std::vector<Edge> EdgesOf(const Faces& faces, const SweepGrid& grid, int64_t first, int64_t last) {
    const Frame f = FrameOf(grid);
    // Room for an edge per point up front: growing by doubling would copy and fault in each
    // page of the largest table of the plan several times over.
    size_t points = 0;
    for (const AreaPaint& a : faces.areas) {
        for (const auto& ring : a.area.rings) points += ring.size();
    }
    for (const Area& c : faces.clips) {
        for (const auto& ring : c.rings) points += ring.size();
    }
    std::vector<Edge> edges;
    edges.reserve(points);
    for (uint32_t p = 0; p < faces.areas.size(); ++p) {
        for (const auto& ring : faces.areas[p].area.rings)
            AddRing(ring, p, f, grid, first, last, &edges);
    }
    for (uint32_t c = 0; c < faces.clips.size(); ++c) {
        const uint32_t region = static_cast<uint32_t>(faces.areas.size()) + c;
        for (const auto& ring : faces.clips[c].rings)
            AddRing(ring, region, f, grid, first, last, &edges);
    }
    std::vector<size_t> at(size_t(last - first) + 2, 0);
    for (const Edge& e : edges) ++at[size_t(e.j0) + 1];
    for (size_t i = 1; i < at.size(); ++i) at[i] += at[i - 1];
    std::vector<Edge> sorted(edges.size());
    for (const Edge& e : edges) sorted[at[size_t(e.j0)]++] = e;
    return sorted;
}

// The workers' results in line order, their keys renumbered as the first worker meets them:
// the first worker's stand as they are.
void Merge(std::vector<Worker>& workers, SweepResult* out) {
    Worker& first = workers[0];
    out->keys = std::move(first.keys);
    out->lineStarts = std::move(first.lineStarts);
    out->spans = std::move(first.spans);
    out->keyItems = std::move(first.keyItems);
    std::unordered_map<SweepKey, uint32_t, KeyHash> ids;
    for (uint32_t k = 0; k < out->keys.size(); ++k) ids[out->keys[k]] = k;
    size_t spans = 0, lines = 0, keyItems = 0;
    for (const Worker& w : workers) {
        spans += w.spans.size(), lines += w.lineStarts.size(), keyItems += w.keyItems.size();
    }
    out->spans.reserve(spans);
    out->lineStarts.reserve(lines);
    out->keyItems.reserve(keyItems);
    for (size_t t = 1; t < workers.size(); ++t) {
        const Worker& w = workers[t];
        std::vector<uint32_t> to(w.keys.size());
        for (size_t k = 0; k < w.keys.size(); ++k) {
            auto [it, added] = ids.try_emplace(w.keys[k], static_cast<uint32_t>(out->keys.size()));
            if (added) out->keys.push_back(w.keys[k]);
            to[k] = it->second;
        }
        const size_t base = out->spans.size();
        for (size_t i = 1; i < w.lineStarts.size(); ++i)
            out->lineStarts.push_back(base + w.lineStarts[i]);
        for (Span s : w.spans) {
            s.key = to[s.key];
            out->spans.push_back(s);
        }
        for (auto [key, item] : w.keyItems) out->keyItems.emplace_back(to[key], item);
    }
    std::sort(out->keyItems.begin(), out->keyItems.end());
    out->keyItems.erase(std::unique(out->keyItems.begin(), out->keyItems.end()),
                        out->keyItems.end());
}

}  // namespace

void LinesOver(const Bounds& box, const SweepGrid& grid, int64_t* first, int64_t* last) {
    *first = 0, *last = -1;
    if (box.Empty() || !(grid.step > 0.0)) return;
    const Frame f = FrameOf(grid);
    double lo = 1e300, hi = -1e300;
    for (Point p : {Point{box.x0, box.y0}, Point{box.x1, box.y0}, Point{box.x0, box.y1},
                    Point{box.x1, box.y1}}) {
        lo = std::min(lo, f.V(p)), hi = std::max(hi, f.V(p));
    }
    *first = FirstLineFrom(grid, lo, false);
    *last = FirstLineFrom(grid, hi, true) - 1;
}

SweepResult Sweep(const Faces& faces, const SweepGrid& grid, const SweepOptions& options) {
    SweepResult out;
    out.grid = grid;
    out.firstLine = options.firstLine;
    const int64_t count64 = options.lastLine - options.firstLine + 1;
    if (count64 <= 0 || count64 > kMaxLines) {
        out.lineStarts.push_back(0);
        return out;
    }
    const int32_t lines = static_cast<int32_t>(count64);
    const std::vector<Edge> edges = EdgesOf(faces, grid, options.firstLine, options.lastLine);
    const Tables tables = TablesOf(faces);
    size_t crossings = 0;
    for (const Edge& e : edges) crossings += size_t(e.j1 - e.j0) + 1;
    const int threads = std::clamp(int(std::min<size_t>(size_t(std::max(1, options.threads)),
                                                        crossings / kCrossingsPerThread)),
                                   1, lines);
    const std::vector<int32_t> starts = Shares(edges, lines, threads);
    std::vector<Worker> workers;
    for (size_t t = 0; t + 1 < starts.size(); ++t)
        workers.emplace_back(tables, edges, grid, options.firstLine);
    std::vector<std::thread> running;
    for (size_t t = 1; t < workers.size(); ++t)
        running.emplace_back([&, t] { workers[t].Run(starts[t], starts[t + 1] - 1); });
    workers[0].Run(starts[0], starts[1] - 1);
    for (std::thread& th : running) th.join();

    Merge(workers, &out);
    return out;
}

}  // namespace txorb::drawing
