#include "drawing/plan/ordering_improve.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <optional>

namespace txorb::drawing {
namespace {

using Clock = std::chrono::steady_clock;

// Ends looked at around each end: more finds a few more moves at a cost that grows with them.
constexpr size_t kNeighbours = 8;
// Longest run of polylines an Or-opt move carries.
constexpr size_t kLongestCarried = 3;
// A move must gain more than this many bits: rounding cannot make two moves undo each other.
constexpr double kMinGain = 0.5;
// How often, in units of work, the clock is read.
constexpr size_t kClockEvery = 4096;

struct Move {
    enum Kind { kNone, kTwoOpt, kOrOpt } kind = kNone;
    size_t p = 0, q = 0;  // 2-opt: positions p..q turned; Or-opt: p..q carried
    size_t to = 0;        // Or-opt: the place it goes before (n: after the last)
    bool reversed = false;
    double gain = kMinGain;
};

class Improver {
public:
    Improver(std::vector<Polyline>* lines, FieldPoint start, const PolylineEnds& ends,
             const ImproveLimits& limits)
        : lines_(*lines),
          start_(start),
          limits_(limits),
          n_(lines->size() - (limits.keepLast ? 1 : 0)),
          ends_(ends),
          grid_(*ends.index, ends.entryOf) {
        if (limits.keepLast) end_ = lines->back().front();
        order_.resize(n_), pos_.resize(n_), reversed_.assign(n_, false);
        for (size_t i = 0; i < n_; ++i) order_[i] = pos_[i] = static_cast<uint32_t>(i);
    }

    size_t Run();
    // The polylines in their new order, each turned as it is marked.
    void Finish();

private:
    // The points polyline l is entered at and left from, as it is now turned.
    FieldPoint In(uint32_t l) const { return reversed_[l] ? lines_[l].back() : lines_[l].front(); }
    FieldPoint Out(uint32_t l) const { return reversed_[l] ? lines_[l].front() : lines_[l].back(); }
    // Where the head is before position k.
    FieldPoint Before(size_t k) const { return k == 0 ? start_ : Out(order_[k - 1]); }
    std::optional<FieldPoint> InAt(size_t k) const {
        return k < n_ ? std::optional(In(order_[k])) : k == n_ ? end_ : std::nullopt;
    }
    double D(FieldPoint a, FieldPoint b) {
        ++work_;
        return std::sqrt(double(SquaredDistance(a, b)));
    }
    double D(FieldPoint a, std::optional<FieldPoint> b) { return b ? D(a, *b) : 0.0; }
    // End e (0: first point, 1: last) of polyline l is now where it is entered.
    bool Entered(uint32_t l, uint32_t e) const { return (e == 1) == reversed_[l]; }

    void TwoOpt(size_t p, size_t q, Move* best);
    double TakenOut(size_t i, size_t length);
    void OrOpt(size_t i, size_t length, double out, size_t to, bool reversed, Move* best);
    void Candidates(uint32_t line, Move* best);
    void Apply(const Move& m);
    void Turn(size_t p, size_t q);
    void Touch(size_t position);
    bool OutOfTime();

    std::vector<Polyline>& lines_;
    const FieldPoint start_;
    const ImproveLimits& limits_;
    const size_t n_;                 // the polylines that may move
    std::optional<FieldPoint> end_;  // where the kept last polyline is entered
    std::vector<uint32_t> order_, pos_;
    std::vector<bool> reversed_;
    const PolylineEnds& ends_;
    const PointGrid grid_;  // the same ends, for near questions
    std::deque<uint32_t> queue_;
    std::vector<bool> queued_;
    size_t work_ = 0, nextClock_ = kClockEvery;
};

// Positions p..q marked the other way round: the jumps into p and out of q change.
void Improver::TwoOpt(size_t p, size_t q, Move* best) {
    const FieldPoint a = Before(p), b = In(order_[p]), c = Out(order_[q]);
    const std::optional<FieldPoint> d = InAt(q + 1);
    const double gain = D(a, b) + D(c, d) - D(a, c) - (d ? D(b, *d) : 0.0);
    if (gain > best->gain) *best = {Move::kTwoOpt, p, q, 0, false, gain};
}

// What taking positions i..i+length-1 out of the order shortens it by (-1 for a run that does
// not fit).
double Improver::TakenOut(size_t i, size_t length) {
    const size_t j = i + length - 1;
    if (j >= n_) return -1.0;
    const FieldPoint a = Before(i);
    const std::optional<FieldPoint> after = InAt(j + 1);
    return D(a, In(order_[i])) + D(Out(order_[j]), after) - D(a, after);
}

// Positions i..i+length-1, which shorten the order by `out` when taken out, put in before
// position `to`, outside them.
void Improver::OrOpt(size_t i, size_t length, double out, size_t to, bool reversed, Move* best) {
    const size_t j = i + length - 1;
    if (out <= best->gain || (to >= i && to <= j + 1)) return;
    const FieldPoint first = In(order_[i]), last = Out(order_[j]);
    const FieldPoint u = Before(to);
    const std::optional<FieldPoint> v = InAt(to);
    const double in = reversed ? D(u, last) + (v ? D(first, *v) : 0.0) - D(u, v)
                               : D(u, first) + D(last, v) - D(u, v);
    if (out - in > best->gain) *best = {Move::kOrOpt, i, j, to, reversed, out - in};
}

// Moves that join an end of `line` to an end near it, nearer than the jump they replace (a move
// that gains has such a join).
void Improver::Candidates(uint32_t line, Move* best) {
    const size_t i = pos_[line];
    if (i + 1 < n_ && !end_) TwoOpt(i, n_ - 1, best);  // the rest marked backwards
    for (uint32_t e = 0; e < 2; ++e) {
        const bool in = Entered(line, e);
        const FieldPoint at = in ? In(line) : Out(line);
        const std::optional<FieldPoint> from = in ? std::optional(Before(i)) : InAt(i + 1);
        if (!from) continue;
        uint32_t near[kNeighbours];
        const int64_t jump = SquaredDistance(at, *from);
        size_t found = 0;
        if (!grid_.Nearest(at, line, kNeighbours, jump, near, &found)) {
            found = ends_.index->Nearest(at, ends_.entryOf[2 * line + e], line, kNeighbours, jump,
                                         near);
        }
        work_ += found + 1;
        if (found == 0) continue;
        // What taking out runs of 1..kLongestCarried polylines that start at `line` (its entry
        // is near) or end at it gains.
        double taken[kLongestCarried + 1];
        for (size_t length = 1; length <= kLongestCarried; ++length) {
            taken[length] = in                ? TakenOut(i, length)
                            : i + 1 >= length ? TakenOut(i + 1 - length, length)
                                              : -1.0;
        }
        for (size_t k = 0; k < found; ++k) {
            const PointIndex::Entry& end = ends_.index->Given(near[k]);
            const uint32_t other = end.owner;
            if (other >= n_) continue;  // the kept last polyline
            const size_t j = pos_[other];
            const bool otherIn = Entered(other, end.tag);
            // 2-opt joins an exit to an exit or an entry to an entry.
            if (in && otherIn) TwoOpt(std::min(i, j), std::max(i, j) - 1, best);
            if (!in && !otherIn) TwoOpt(std::min(i, j) + 1, std::max(i, j), best);
            // Or-opt carries runs starting or ending at `line` to beside `other`.
            for (size_t length = 1; length <= kLongestCarried; ++length) {
                const size_t first = i + 1 - std::min(length, i + 1);
                if (in && !otherIn) OrOpt(i, length, taken[length], j + 1, false, best);
                if (!in && otherIn) OrOpt(first, length, taken[length], j, false, best);
                if (in && otherIn) OrOpt(i, length, taken[length], j, true, best);
                if (!in && !otherIn) OrOpt(first, length, taken[length], j + 1, true, best);
            }
        }
    }
}

void Improver::Turn(size_t p, size_t q) {
    std::reverse(order_.begin() + long(p), order_.begin() + long(q) + 1);
    for (size_t k = p; k <= q; ++k) {
        reversed_[order_[k]] = !reversed_[order_[k]];
        pos_[order_[k]] = static_cast<uint32_t>(k);
    }
    work_ += q - p + 1;
}

void Improver::Touch(size_t position) {
    if (position >= n_) return;
    const uint32_t line = order_[position];
    if (queued_[line]) return;
    queued_[line] = true;
    queue_.push_back(line);
}

void Improver::Apply(const Move& m) {
    if (m.kind == Move::kTwoOpt) {
        Turn(m.p, m.q);
        for (const size_t k : {m.p - 1, m.p, m.q, m.q + 1}) Touch(k);
        return;
    }
    const size_t length = m.q - m.p + 1;
    size_t from = m.p, to = m.q + 1, first;  // the range that changes, and where the run lands
    if (m.to < m.p) {
        std::rotate(order_.begin() + long(m.to), order_.begin() + long(m.p),
                    order_.begin() + long(m.q) + 1);
        from = m.to, first = m.to;
    } else {
        std::rotate(order_.begin() + long(m.p), order_.begin() + long(m.q) + 1,
                    order_.begin() + long(m.to));
        to = m.to, first = m.to - length;
    }
    for (size_t k = from; k < to; ++k) pos_[order_[k]] = static_cast<uint32_t>(k);
    work_ += to - from;
    if (m.reversed) Turn(first, first + length - 1);
    for (const size_t k : {m.p - 1, m.q + 1, first - 1, first, first + length - 1, first + length})
        Touch(k);
}

bool Improver::OutOfTime() {
    if (work_ < nextClock_) return false;
    nextClock_ = work_ + kClockEvery;
    return Clock::now() > limits_.deadline;
}

size_t Improver::Run() {
    double length = 0.0;
    for (size_t k = 0; k < n_; ++k) length += D(Before(k), In(order_[k]));
    queued_.assign(n_, true);
    queue_.assign(order_.begin(), order_.end());
    while (!queue_.empty()) {
        // One pass: what is queued now.
        double gained = 0.0;
        for (size_t left = queue_.size(); left > 0 && !queue_.empty(); --left) {
            if (work_ >= limits_.work || OutOfTime()) return work_;
            const uint32_t line = queue_.front();
            queue_.pop_front();
            queued_[line] = false;
            Move best;
            Candidates(line, &best);
            if (best.kind == Move::kNone) continue;
            Apply(best);
            gained += best.gain;
            Touch(pos_[line]);
        }
        if (gained < limits_.flatShare * length) break;
        length -= gained;
    }
    return work_;
}

void Improver::Finish() {
    std::vector<Polyline> ordered;
    ordered.reserve(lines_.size());
    for (const uint32_t l : order_) {
        if (reversed_[l]) std::reverse(lines_[l].begin(), lines_[l].end());
        ordered.push_back(std::move(lines_[l]));
    }
    if (end_) ordered.push_back(std::move(lines_.back()));
    lines_ = std::move(ordered);
}

}  // namespace

size_t ImproveOrder(std::vector<Polyline>* lines, FieldPoint start, const PolylineEnds& ends,
                    const ImproveLimits& limits) {
    if (lines->size() < (limits.keepLast ? 3u : 2u)) return 0;
    Improver improver(lines, start, ends, limits);
    const size_t work = improver.Run();
    improver.Finish();
    return work;
}

}  // namespace txorb::drawing
