#include "list/segmentation.h"

#include <cmath>

#include "common/wire_opcodes.h"

namespace txorb::list {
namespace {

// pi / 180 as the single-precision constant the corner model was tuned with; the double value
// would move every corner factor (a right angle gives 0.70710679, not sqrt(1/2)).
constexpr double kCornerDegreeToRadian = 0.01745329238474369;

// Forward and backward each carry a limit through the whole chain in one pass, so a plan
// settles within a few rounds; later rounds only correct rounding in the last bits. Velocities
// only ever decrease, so the loop ends on its own, but this bound also keeps the cost linear
// on inputs whose rounding keeps nudging a value: it is far beyond what any converging plan
// needs.
constexpr int kMaxPlanRounds = 256;

// No line of the 16-bit coordinate field is longer than 65535 x sqrt(2); a ramp beyond this
// could only leave the field, and cutting it up would flood the list.
constexpr double kLongestRamp = 131072.0;

double Distance(double x0, double y0, double x1, double y1) {
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    return std::sqrt(dx * dx + dy * dy);
}

void EmitMarkSpeed(std::vector<VectorRecord>& out, const SegmentationSettings& settings,
                   double time, double length) {
    out.push_back(VectorRecord{list_op::kMarkParameters, time * settings.markStepSize / length,
                               static_cast<double>(settings.markStepSize)});
}

void EmitMark(std::vector<VectorRecord>& out, double x, double y) {
    out.push_back(VectorRecord{list_op::kPolB, x, y});
}

// The first mark of the polyline becomes its PolA record and the last record its PolC record.
void Relabel(std::vector<VectorRecord>& out, size_t first) {
    if (out.size() == first) return;
    for (size_t i = first; i < out.size(); ++i) {
        if (out[i].opcode == list_op::kPolB) {
            out[i].opcode = list_op::kPolA;
            break;
        }
    }
    out.back().opcode = list_op::kPolC;
}

// Micro-segment m of a ramp. A ramp not longer than half a micro-segment gets none from the
// regular cut; it is then drawn as one micro-segment so that its end point is still reached
// (a falling ramp would otherwise stop short of its vertex).
bool RampMicroSegment(int m, double total, double M, double* s0, double* s1) {
    if (NextMicroSegment(m, total, M, s0, s1)) return true;
    if (m != 0) return false;
    *s0 = 0.0;
    *s1 = total;
    return true;
}

}  // namespace

double Kinematics::RampDistance(double a, double b) const {
    const double fa = F(a);
    const double fb = F(b);
    return (fa * fa - fb * fb) / (2.0 * sigma);
}

double Kinematics::ReachVelocity(double v, double s) const {
    const double fv = F(v);
    return G(std::sqrt(fv * fv + 2.0 * s * sigma));
}

double Kinematics::PeakVelocity(double a, double b, double s1, double s2) const {
    const double fa = F(a);
    const double fb = F(b);
    const double radicand = fa * fa / 2.0 + fb * fb / 2.0 + (s2 - s1) * sigma;
    if (radicand < 0.0) return 0.0;
    return G(std::sqrt(radicand));
}

double Kinematics::RampTime(double v, double sa, double sb) const {
    return std::fabs(ReachVelocity(v, sa) - ReachVelocity(v, sb)) * S / sigma * 1000.0;
}

void AppendPowerWrite(std::vector<VectorRecord>& out, const SegmentationSettings& settings,
                      double power, bool raw, bool falling) {
    double value = power;
    if (!raw) {
        const PcdTable* table = falling ? settings.shut : settings.open;
        value = table != nullptr ? LookupPcdValue(*table, power) : 0.0;
    }
    out.push_back(VectorRecord{list_op::kWritePort, settings.powerPortAddress, value});
}

int32_t CountPolylineVertices(const std::vector<VectorRecord>& captured, size_t start) {
    int32_t n = 1;
    for (size_t j = start + 1; j < captured.size(); ++j) {
        // The end-of-list record closes an unclosed polyline but is no vertex of it: the
        // polyline ends at its last real vertex instead of being marked on to the origin.
        if (captured[j].opcode == list_op::kEndOfList) break;
        ++n;
        if (captured[j].opcode == list_op::kPolC) break;
    }
    return n;
}

double VertexAngle(const PolylineVertex& p, const PolylineVertex& q, const PolylineVertex& r,
                   double degreesPerRadian) {
    const double a = Distance(p.x, p.y, q.x, q.y);
    const double b = Distance(q.x, q.y, r.x, r.y);
    const double d = Distance(r.x, r.y, p.x, p.y);
    const double twoAb = 2.0 * a * b;
    if (twoAb == 0.0) return 0.0;
    const double cosine = (a * a + b * b - d * d) / twoAb;
    if (cosine < -0.999999) return 180.0;
    if (cosine > 0.999999) return 0.0;
    return std::acos(cosine) * degreesPerRadian;
}

double CornerFactor(double angle) {
    return std::fabs(std::cos(std::fabs(180.0 - angle) / 2.0 * kCornerDegreeToRadian));
}

void BuildPolylineVertices(const std::vector<VectorRecord>& captured, size_t start, int32_t n,
                           double lastX, double lastY, double degreesPerRadian,
                           std::vector<PolylineVertex>& vertices) {
    // Each vertex is written once, whole (its later fields zero), in a single pass: on long
    // polylines the array is far larger than the caches and every extra sweep shows.
    vertices.clear();
    vertices.reserve(static_cast<size_t>(n) + 1);
    PolylineVertex previous;
    previous.opcode = list_op::kJumpAbs;
    previous.x = lastX;
    previous.y = lastY;
    vertices.push_back(previous);
    const VectorRecord* records = captured.data() + start;
    for (int32_t j = 1; j <= n; ++j) {
        const VectorRecord& record = records[j - 1];
        PolylineVertex vertex;
        vertex.opcode = record.opcode;
        vertex.x = record.x;
        vertex.y = record.y;
        vertex.segmentLength = Distance(previous.x, previous.y, vertex.x, vertex.y);
        if (j < n) {
            PolylineVertex next;
            next.x = records[j].x;
            next.y = records[j].y;
            vertex.angle = VertexAngle(previous, vertex, next, degreesPerRadian);
            vertex.cornerFactor = CornerFactor(vertex.angle);
        }
        vertices.push_back(vertex);
        previous = vertex;
    }
}

int PlanVelocities(std::vector<PolylineVertex>& vertices, int32_t n, const Kinematics& k,
                   double leadInPower, double leadOutPower) {
    PolylineVertex* vx = vertices.data();
    vx[0].v = leadInPower;
    for (int32_t j = 1; j < n; ++j) vx[j].v = vx[j].cornerFactor;
    vx[n].v = leadOutPower;
    for (int32_t j = 1; j <= n; ++j) vx[j].w = 1.0;

    // Comparisons are strict and written so that NaN never counts as a change.
    int rounds = 0;
    bool changed = true;
    while (changed && rounds < kMaxPlanRounds) {
        changed = false;
        ++rounds;
        for (int32_t i = 0; i < n; ++i) {
            const double r = k.ReachVelocity(vx[i].v, std::fabs(vx[i + 1].segmentLength));
            if (r < vx[i + 1].v) {
                vx[i + 1].v = r;
                vx[i + 1].w = r;
                changed = true;
            }
        }
        for (int32_t i = n - 1; i >= 1; --i) {
            const double r = k.ReachVelocity(vx[i + 1].v, std::fabs(vx[i + 1].segmentLength));
            if (r < vx[i].v) {
                vx[i].v = r;
                vx[i + 1].w = r;
                changed = true;
            }
        }
    }

    for (int32_t i = 0; i < n; ++i) {
        const double length = std::fabs(vx[i + 1].segmentLength);
        const double d1 = std::fabs(k.RampDistance(vx[i + 1].w, vx[i].v));
        const double d2 = std::fabs(k.RampDistance(vx[i + 1].w, vx[i + 1].v));
        if (d1 + d2 > length) {
            const double peak = k.PeakVelocity(vx[i].v, vx[i + 1].w, 0.0, length - d2);
            vx[i + 1].w = peak < vx[i].v ? vx[i + 1].v : peak;
        }
    }
    vx[n].v = leadOutPower;
    return rounds;
}

void PlaceRampPoints(std::vector<PolylineVertex>& vertices, int32_t n, const Kinematics& k) {
    for (int32_t i = 0; i < n; ++i) {
        const PolylineVertex& p = vertices[i];
        PolylineVertex& q = vertices[i + 1];
        const double length = q.segmentLength;
        if (length == 0.0) {
            // Nothing is drawn on a segment of length 0; keep its points out of the division.
            q.accelEndX = q.decelStartX = q.x;
            q.accelEndY = q.decelStartY = q.y;
            continue;
        }
        const double d1 = std::fabs(k.RampDistance(p.v, q.w));
        const double d2 = std::fabs(k.RampDistance(q.w, q.v));
        q.accelEndX = p.x + (q.x - p.x) * d1 / length;
        q.accelEndY = p.y + (q.y - p.y) * d1 / length;
        q.decelStartX = q.x + (p.x - q.x) * d2 / length;
        q.decelStartY = q.y + (p.y - q.y) * d2 / length;
        if (std::fabs(q.decelStartX - q.accelEndX) < 1.0 &&
            std::fabs(q.decelStartY - q.accelEndY) < 1.0) {
            q.decelStartX = q.accelEndX;
            q.decelStartY = q.accelEndY;
        }
    }
}

bool NextMicroSegment(int k, double total, double M, double* s0, double* s1) {
    const double start = k * M;
    if (start >= total) return false;
    double end = start + M;
    if (end <= total) {
        if (total - end <= M / 2.0) end = total;  // a short rest joins this micro-segment
    } else if (end - total < M / 2.0) {
        end = total;
    } else {
        return false;
    }
    *s0 = start;
    *s1 = end;
    return true;
}

bool RampsAreDrawable(const std::vector<PolylineVertex>& vertices, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        const PolylineVertex& p = vertices[i];
        const PolylineVertex& q = vertices[i + 1];
        if (q.segmentLength == 0.0) continue;
        if (!std::isfinite(q.accelEndX) || !std::isfinite(q.accelEndY) ||
            !std::isfinite(q.decelStartX) || !std::isfinite(q.decelStartY)) {
            return false;
        }
        if (!(Distance(p.x, p.y, q.accelEndX, q.accelEndY) <= kLongestRamp)) return false;
        if (!(Distance(q.decelStartX, q.decelStartY, q.x, q.y) <= kLongestRamp)) return false;
    }
    return true;
}

void EmitPolyline(const std::vector<PolylineVertex>& vertices, int32_t n,
                  const SegmentationSettings& settings, std::vector<VectorRecord>& out) {
    const size_t first = out.size();
    const Kinematics k{settings.markSpeed, settings.powerControlSlope};
    const double M = settings.microSegmentLength;
    for (int32_t i = 0; i < n; ++i) {
        const PolylineVertex& p = vertices[i];
        const PolylineVertex& q = vertices[i + 1];
        if (q.segmentLength == 0.0) continue;
        const double ax = q.accelEndX, ay = q.accelEndY;
        const double dx = q.decelStartX, dy = q.decelStartY;

        const double rising = Distance(p.x, p.y, ax, ay);
        if (rising > 1.0) {
            double s0, s1;
            for (int m = 0; RampMicroSegment(m, rising, M, &s0, &s1); ++m) {
                const double u = k.ReachVelocity(p.v, s1);
                AppendPowerWrite(out, settings, u * settings.powerScale, false, false);
                EmitMarkSpeed(out, settings, k.RampTime(p.v, s0, s1), std::fabs(s1 - s0));
                EmitMark(out, p.x + (ax - p.x) * s1 / rising, p.y + (ay - p.y) * s1 / rising);
            }
        }

        if (dx != ax || dy != ay) {
            out.push_back(VectorRecord{list_op::kMarkParameters,
                                       static_cast<double>(settings.markStepPeriod),
                                       static_cast<double>(settings.markStepSize)});
            EmitMark(out, dx, dy);
        }

        const double falling = Distance(dx, dy, q.x, q.y);
        if (falling > 1.0) {
            double s0, s1;
            for (int m = 0; RampMicroSegment(m, falling, M, &s0, &s1); ++m) {
                const double u = k.ReachVelocity(q.v, falling - s1);
                AppendPowerWrite(out, settings, u * settings.powerScale, false, true);
                EmitMarkSpeed(out, settings, k.RampTime(q.v, falling - s0, falling - s1),
                              std::fabs(s1 - s0));
                EmitMark(out, dx + (q.x - dx) * s1 / falling, dy + (q.y - dy) * s1 / falling);
            }
        }
    }
    Relabel(out, first);
}

void EmitUnrampedPolyline(const std::vector<PolylineVertex>& vertices, int32_t n,
                          const SegmentationSettings& settings, std::vector<VectorRecord>& out) {
    const size_t first = out.size();
    for (int32_t j = 1; j <= n; ++j) {
        if (vertices[j].segmentLength == 0.0) continue;
        if (out.size() == first) {
            out.push_back(VectorRecord{list_op::kMarkParameters,
                                       static_cast<double>(settings.markStepPeriod),
                                       static_cast<double>(settings.markStepSize)});
        }
        EmitMark(out, vertices[j].x, vertices[j].y);
    }
    Relabel(out, first);
}

int32_t SegmentPolyline(const std::vector<VectorRecord>& captured, size_t start, double lastX,
                        double lastY, const SegmentationSettings& settings,
                        std::vector<PolylineVertex>& vertices, std::vector<VectorRecord>& out) {
    const int32_t n = CountPolylineVertices(captured, start);
    BuildPolylineVertices(captured, start, n, lastX, lastY, settings.degreesPerRadian, vertices);
    // A micro-segment length of 0 cuts a ramp into nothing forever and a slope of 0 makes
    // every ramp endless: the polyline is then marked without ramps at the nominal speed. The
    // same holds when the plan yields ramps that cannot be drawn (infinite, or longer than any
    // line of the field), which only extreme settings produce.
    const bool rampable = settings.microSegmentLength > 0.0 && settings.powerControlSlope > 0.0;
    if (rampable) {
        const Kinematics k{settings.markSpeed, settings.powerControlSlope};
        PlanVelocities(vertices, n, k, settings.leadInPower, settings.leadOutPower);
        PlaceRampPoints(vertices, n, k);
        if (RampsAreDrawable(vertices, n)) {
            EmitPolyline(vertices, n, settings, out);
            return n;
        }
    }
    EmitUnrampedPolyline(vertices, n, settings, out);
    return n;
}

}  // namespace txorb::list
