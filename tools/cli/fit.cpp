#include "cli/fit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace txorb::cli {
namespace {

FieldPoint Round(Point p) {
    auto one = [](double v) {
        return static_cast<int16_t>(std::clamp(std::floor(v + 0.5), -32768.0, 32767.0));
    };
    return {one(p.x), one(p.y)};
}

double Length(FieldPoint a, FieldPoint b) {
    return std::hypot(static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y);
}

}  // namespace

bool FitDrawing(const Drawing& drawing, const FitOptions& options, FittedJob* job,
                std::string* error) {
    if (!(options.fieldBits > 0.0) || options.fieldBits > 65535.0) {
        *error = "the field must be between 1 and 65535 bits wide";
        return false;
    }
    if (!(options.toleranceBits > 0.0)) {
        *error = "the flattening tolerance must be above 0";
        return false;
    }
    // The bounds come from a fine flattening: control points of curves would overstate them.
    double minX = std::numeric_limits<double>::infinity(), minY = minX;
    double maxX = -minX, maxY = -minX;
    double roughExtent = 0.0;
    for (const Subpath& p : drawing.paths) {
        auto grow = [&](Point q) {
            roughExtent = std::max({roughExtent, std::fabs(q.x), std::fabs(q.y)});
        };
        grow(p.start);
        for (const Segment& s : p.segments) {
            grow(s.c1);
            grow(s.c2);
            grow(s.end);
        }
    }
    const double fineTolerance = std::max(roughExtent, 1e-9) * 1e-6;
    for (const Subpath& p : drawing.paths) {
        for (const Point q : Flatten(p, fineTolerance)) {
            minX = std::min(minX, q.x);
            maxX = std::max(maxX, q.x);
            minY = std::min(minY, q.y);
            maxY = std::max(maxY, q.y);
        }
    }
    if (drawing.paths.empty() || !std::isfinite(minX)) {
        *error = "the drawing holds no shape to mark";
        return false;
    }
    const double width = maxX - minX;
    const double height = maxY - minY;
    const double extent = std::max(width, height);
    if (extent == 0.0) {
        *error = "the drawing's shapes have no extent";
        return false;
    }
    const double scale = options.fieldBits / extent;
    const double cx = (minX + maxX) / 2.0;
    const double cy = (minY + maxY) / 2.0;
    const double sy = options.flipY ? -scale : scale;
    job->toField = {scale, 0, 0, sy, -cx * scale, -cy * sy};
    job->polylines.clear();
    job->markMoves = 0;
    job->markLength = 0.0;
    job->jumpLength = 0.0;

    FieldPoint at{0, 0};
    const double tolerance = options.toleranceBits / scale;
    for (const Subpath& p : drawing.paths) {
        std::vector<FieldPoint> line;
        for (const Point q : Flatten(p, tolerance)) {
            const FieldPoint f = Round(job->toField.Apply(q));
            if (line.empty() || !(line.back() == f)) line.push_back(f);
        }
        if (line.size() < 2) continue;
        job->jumpLength += Length(at, line.front());
        for (size_t i = 1; i < line.size(); ++i) job->markLength += Length(line[i - 1], line[i]);
        job->markMoves += line.size() - 1;
        at = line.back();
        job->polylines.push_back(std::move(line));
    }
    if (job->polylines.empty()) {
        *error = "the drawing's shapes are all smaller than one field bit";
        return false;
    }
    return true;
}

}  // namespace txorb::cli
