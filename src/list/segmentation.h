// Polyline segmentation: a velocity profile along each captured polyline (lead-in, lead-out,
// corner slow-downs, limited by a constant rate of change), cut into micro-segments that each
// get a power level and a step speed following the profile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "list/pcd_table.h"

namespace txorb::list {

// One captured or produced list vector.
struct VectorRecord {
    int16_t opcode = 0;
    double x = 0.0;
    double y = 0.0;
};

// Vertex 0 is where the head stands before the polyline; segment j (1..n) runs from vertex
// j - 1 to vertex j and keeps its values in vertex j.
struct PolylineVertex {
    int16_t opcode = 0;
    double x = 0.0;
    double y = 0.0;
    double segmentLength = 0.0;
    double accelEndX = 0.0;  // end of the rising ramp of the segment ending here
    double accelEndY = 0.0;
    double decelStartX = 0.0;  // start of the falling ramp of the segment ending here
    double decelStartY = 0.0;
    double angle = 0.0;         // interior angle in degrees, 180 = straight on
    double cornerFactor = 0.0;  // velocity fraction the angle allows
    double v = 0.0;             // planned velocity fraction at this vertex
    double w = 0.0;             // peak velocity fraction on the segment ending here
};

// What the segmentation reads of the capture's state.
struct SegmentationSettings {
    double markSpeed = 0.1;  // S
    int32_t markStepPeriod = 0;
    int32_t markStepSize = 1;
    double powerScale = 1.0;
    double leadInPower = 0.0001;
    double leadOutPower = 0.0002;
    double powerControlSlope = 10.0;    // sigma
    double microSegmentLength = 200.0;  // M
    double degreesPerRadian = 57.29577951308232;
    double powerPortAddress = 40.0;
    const PcdTable* open = nullptr;
    const PcdTable* shut = nullptr;
};

// Velocities are fractions of the mark speed S; changes happen at the constant rate sigma.
struct Kinematics {
    double S;
    double sigma;

    double F(double u) const { return u * S; }
    double G(double u) const { return S == 0.0 ? u : u / S; }
    // Signed distance over which the velocity goes from fraction b to fraction a.
    double RampDistance(double a, double b) const;
    // The fraction reached from v after a distance s.
    double ReachVelocity(double v, double s) const;
    // The highest fraction between a and b over s2 - s1; 0 when none can be reached.
    double PeakVelocity(double a, double b, double s1, double s2) const;
    // The time the velocity takes to change between the distances sa and sb, in step units.
    double RampTime(double v, double sa, double sb) const;
};

// Appends (135, port, level): the power itself when raw, else its level from SHUT (falling) or
// OPEN.
void AppendPowerWrite(std::vector<VectorRecord>& out, const SegmentationSettings& settings,
                      double power, bool raw, bool falling);

// Vertices of the polyline starting at captured[start], its PolA record included.
int32_t CountPolylineVertices(const std::vector<VectorRecord>& captured, size_t start);
void BuildPolylineVertices(const std::vector<VectorRecord>& captured, size_t start, int32_t n,
                           double lastX, double lastY, double degreesPerRadian,
                           std::vector<PolylineVertex>& vertices);
double VertexAngle(const PolylineVertex& p, const PolylineVertex& q, const PolylineVertex& r,
                   double degreesPerRadian);
double CornerFactor(double angle);

// Plans v and w; returns the number of forward/backward rounds run.
int PlanVelocities(std::vector<PolylineVertex>& vertices, int32_t n, const Kinematics& k,
                   double leadInPower, double leadOutPower);
void PlaceRampPoints(std::vector<PolylineVertex>& vertices, int32_t n, const Kinematics& k);
// Micro-segment k of a ramp of the given length; false when there is none.
bool NextMicroSegment(int k, double total, double M, double* s0, double* s1);
// Whether the planned ramps can be cut into micro-segments (finite and within the field).
bool RampsAreDrawable(const std::vector<PolylineVertex>& vertices, int32_t n);

void EmitPolyline(const std::vector<PolylineVertex>& vertices, int32_t n,
                  const SegmentationSettings& settings, std::vector<VectorRecord>& out);
// The fallback without ramps: one mark-parameter record and a mark to each vertex.
void EmitUnrampedPolyline(const std::vector<PolylineVertex>& vertices, int32_t n,
                          const SegmentationSettings& settings, std::vector<VectorRecord>& out);

// The whole pipeline for the polyline starting at captured[start]; returns its vertex count.
int32_t SegmentPolyline(const std::vector<VectorRecord>& captured, size_t start, double lastX,
                        double lastY, const SegmentationSettings& settings,
                        std::vector<PolylineVertex>& vertices, std::vector<VectorRecord>& out);

}  // namespace txorb::list
