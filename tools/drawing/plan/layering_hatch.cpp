#include <algorithm>
#include <cmath>
#include <numbers>

#include "drawing/plan/layering_parts.h"

namespace txorb::drawing {
namespace {

// A step to the next line longer than this many spacings along it is a jump, not a join: a
// long join would burn a visible line along the outline.
constexpr double kMaxJoinSpacings = 3.0;
// How far (bits) a join may stray outside the layer on the lines between and still count as
// along its outline.
constexpr double kJoinSlack = 0.5;

struct Piece {
    double u0, u1;
    bool used = false;
};

// One line's spans of the key: own[begin, end).
struct LineSpans {
    uint32_t line, begin, end;
};

struct Row {
    uint32_t line;  // from the sweep's first
    size_t at;      // its LineSpans
    std::vector<Piece> pieces;
};

int64_t Mod(int64_t a, int64_t m) { return ((a % m) + m) % m; }

class Chainer {
public:
    Chainer(const SweepResult& sweep, const std::vector<KeySpan>& own, int step, double inset)
        : sweep_(sweep),
          own_(own),
          lineStep_(2 * uint32_t(step)),
          spacing_(sweep.grid.step * 2.0 * step) {
        const double r = sweep.grid.angleDegrees * std::numbers::pi / 180.0;
        c_ = std::cos(r), s_ = std::sin(r);
        for (uint32_t i = 0; i < own.size(); ++i) {
            if (lines_.empty() || lines_.back().line != own[i].line)
                lines_.push_back({own[i].line, i, i});
            ++lines_.back().end;
        }
        // Hatch lines lie at even j, every step-th of them.
        for (size_t at = 0; at < lines_.size(); ++at) {
            const uint32_t line = lines_[at].line;
            if (Mod(sweep.firstLine + int64_t(line), lineStep_) != 0) continue;
            Row row{line, at, {}};
            for (uint32_t i = lines_[at].begin; i < lines_[at].end; ++i) {
                if (own[i].u1 - own[i].u0 > 2.0 * inset)
                    row.pieces.push_back({own[i].u0 + inset, own[i].u1 - inset});
            }
            if (!row.pieces.empty()) rows_.push_back(std::move(row));
        }
    }

    std::vector<Polyline> Run() {
        std::vector<Polyline> out;
        for (size_t r = 0; r < rows_.size(); ++r) {
            for (size_t i = 0; i < rows_[r].pieces.size(); ++i) {
                if (rows_[r].pieces[i].used) continue;
                Polyline line = Chain(r, i);
                if (line.size() >= 2) out.push_back(std::move(line));
            }
        }
        return out;
    }

private:
    // Adds the field point at u on a line, unless it rounds to the last one.
    void Add(double u, uint32_t line, Polyline* out) const {
        const double v =
            double(sweep_.firstLine + int64_t(line)) * sweep_.grid.step + sweep_.grid.offset;
        const FieldPoint f = Round({u * c_ - v * s_, u * s_ + v * c_});
        if (out->empty() || !(out->back() == f)) out->push_back(f);
    }

    // Whether the key shows at u, within the slack, on lines_[at].
    bool Shows(size_t at, double u) const {
        const auto begin = own_.begin() + lines_[at].begin, end = own_.begin() + lines_[at].end;
        const auto it = std::lower_bound(begin, end, u - kJoinSlack,
                                         [](const KeySpan& s, double x) { return s.u1 < x; });
        return it != end && it->u0 <= u + kJoinSlack;
    }

    // A join runs along the outline between two lines' ends: it stays in the layer when each
    // line between shows the layer where the join crosses it.
    bool JoinStays(double a, const Row& row, double b) const {
        if (std::fabs(a - b) > kMaxJoinSpacings * spacing_) return false;
        size_t at = row.at;
        for (uint32_t line = row.line + 1; line < row.line + lineStep_; ++line) {
            while (at < lines_.size() && lines_[at].line < line) ++at;
            if (at == lines_.size() || lines_[at].line != line) return false;
            const double t = double(line - row.line) / double(lineStep_);
            if (!Shows(at, a + (b - a) * t)) return false;
        }
        return true;
    }

    Piece* Nearest(Row& row, double at, bool rightward) {
        Piece* best = nullptr;
        double bestDistance = 0.0;
        // Pieces are sorted along the line: start where the near ends pass `at` and widen.
        auto& ps = row.pieces;
        const auto mid = std::lower_bound(ps.begin(), ps.end(), at, [&](const Piece& p, double x) {
            return (rightward ? p.u1 : p.u0) < x;
        });
        const double reach = kMaxJoinSpacings * spacing_;
        for (auto it = mid; it != ps.end(); ++it) {
            const double d = std::fabs((rightward ? it->u1 : it->u0) - at);
            if (d > reach || (best && d >= bestDistance)) break;
            if (!it->used) best = &*it, bestDistance = d;
        }
        for (auto it = mid; it != ps.begin();) {
            --it;
            const double d = std::fabs((rightward ? it->u1 : it->u0) - at);
            if (d > reach || (best && d >= bestDistance)) break;
            if (!it->used) best = &*it, bestDistance = d;
        }
        return best;
    }

    Polyline Chain(size_t r, size_t i) {
        Piece& first = rows_[r].pieces[i];
        first.used = true;
        Polyline out;
        Add(first.u0, rows_[r].line, &out);
        Add(first.u1, rows_[r].line, &out);
        double at = first.u1;
        bool rightward = true;
        for (; r + 1 < rows_.size() && rows_[r + 1].line == rows_[r].line + lineStep_; ++r) {
            Piece* next = Nearest(rows_[r + 1], at, rightward);
            if (!next) break;
            const double near = rightward ? next->u1 : next->u0;
            if (!JoinStays(at, rows_[r], near)) break;
            next->used = true;
            at = rightward ? next->u0 : next->u1;
            Add(near, rows_[r + 1].line, &out);
            Add(at, rows_[r + 1].line, &out);
            rightward = !rightward;
        }
        return out;
    }

    const SweepResult& sweep_;
    const std::vector<KeySpan>& own_;  // by line, then u
    const uint32_t lineStep_;          // sweep lines from one hatch line to the next
    const double spacing_;
    std::vector<LineSpans> lines_;
    std::vector<Row> rows_;
    double c_ = 1, s_ = 0;
};

}  // namespace

std::vector<std::vector<KeySpan>> SpansByKey(const SweepResult& sweep) {
    std::vector<size_t> counts(sweep.keys.size(), 0);
    for (const Span& span : sweep.spans) ++counts[span.key];
    std::vector<std::vector<KeySpan>> out(sweep.keys.size());
    for (size_t k = 0; k < out.size(); ++k) out[k].reserve(counts[k]);
    for (size_t line = 0; line < sweep.Lines(); ++line) {
        for (size_t s = sweep.lineStarts[line]; s < sweep.lineStarts[line + 1]; ++s) {
            const Span& span = sweep.spans[s];
            out[span.key].push_back({uint32_t(line), span.u0, span.u1});
        }
    }
    return out;
}

FieldPoint Round(Point p) {
    auto one = [](double v) {
        return static_cast<int16_t>(std::clamp(std::floor(v + 0.5), -32768.0, 32767.0));
    };
    return {one(p.x), one(p.y)};
}

void AddRounded(const std::vector<std::vector<Point>>& pieces, std::vector<Polyline>* out) {
    for (const auto& piece : pieces) {
        Polyline line;
        line.reserve(piece.size());
        for (Point p : piece) {
            const FieldPoint f = Round(p);
            if (line.empty() || !(line.back() == f)) line.push_back(f);
        }
        if (line.size() >= 2) out->push_back(std::move(line));
    }
}

std::vector<Polyline> HatchKey(const SweepResult& sweep, const std::vector<KeySpan>& spans,
                               int step, double inset) {
    return Chainer(sweep, spans, step, inset).Run();
}

}  // namespace txorb::drawing
