#include "drawing/plan/dashes.h"

#include <cmath>

namespace txorb::drawing {
namespace {

using ClipperLib::cInt;
using ClipperLib::IntPoint;

IntPoint Between(const IntPoint& a, const IntPoint& b, double t) {
    return {a.X + static_cast<cInt>(std::llround(t * double(b.X - a.X))),
            a.Y + static_cast<cInt>(std::llround(t * double(b.Y - a.Y)))};
}

// Where in the pattern a line starts: the dash index and the length left of it.
void Start(const std::vector<double>& pattern, double total, double offset, size_t* index,
           double* left) {
    double at = std::fmod(offset, total);
    if (at < 0) at += total;
    *index = 0;
    while (at >= pattern[*index]) {
        at -= pattern[*index];
        *index = (*index + 1) % pattern.size();
    }
    *left = pattern[*index] - at;
}

}  // namespace

ClipperLib::Paths Dashed(const ClipperLib::Paths& lines, const std::vector<double>& pattern,
                         double offset) {
    double total = 0;
    for (double d : pattern) total += d;
    if (pattern.empty() || pattern.size() % 2 != 0 || !(total > 0)) return lines;
    ClipperLib::Paths out;
    for (const ClipperLib::Path& line : lines) {
        size_t index = 0;
        double left = 0;
        Start(pattern, total, offset, &index, &left);
        ClipperLib::Path piece;
        if (index % 2 == 0) piece.push_back(line.front());
        for (size_t i = 1; i < line.size(); ++i) {
            const IntPoint a = line[i - 1], b = line[i];
            const double length = std::hypot(double(b.X - a.X), double(b.Y - a.Y));
            double done = 0;
            while (length - done > left) {
                done += left;
                const IntPoint p = Between(a, b, done / length);
                if (index % 2 == 0) {
                    piece.push_back(p);
                    if (piece.size() >= 2) out.push_back(piece);
                    piece.clear();
                } else {
                    piece = {p};
                }
                index = (index + 1) % pattern.size();
                left = pattern[index];
            }
            left -= length - done;
            if (index % 2 == 0) piece.push_back(b);
        }
        if (index % 2 == 0 && piece.size() >= 2) out.push_back(piece);
    }
    return out;
}

}  // namespace txorb::drawing
