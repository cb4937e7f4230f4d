#include "drawing/program/list_program.h"

#include <algorithm>
#include <cmath>

namespace txorb::drawing {
namespace {

// The step period of a speed record, in µs (1..65535).
int32_t StepPeriod(double bitsPerMs) {
    if (!(bitsPerMs > 0)) return 65535;
    return static_cast<int32_t>(
        std::clamp(std::lround(kStepBits * 1000.0 / bitsPerMs), 1L, 65535L));
}

void AddPolyline(const Polyline& line, ListProgram* program) {
    if (line.size() < 2) return;  // marks nothing
    auto add = [&](ListOp op, FieldPoint p) { program->commands.push_back({op, p.x, p.y}); };
    add(ListOp::kJump, line.front());
    // A polyline opens with PolA and must close with PolC: a single move is cut in two halves
    // when it is long enough, else its end point is given twice.
    std::vector<FieldPoint> rest(line.begin() + 1, line.end());
    if (rest.size() == 1) {
        const FieldPoint a = line.front(), b = line.back();
        const FieldPoint mid{static_cast<int16_t>((a.x + b.x) / 2),
                             static_cast<int16_t>((a.y + b.y) / 2)};
        rest.insert(rest.begin(), (mid == a || mid == b) ? b : mid);
    }
    for (size_t i = 0; i < rest.size(); ++i) {
        add(i == 0 ? ListOp::kPolA : i + 1 == rest.size() ? ListOp::kPolC : ListOp::kPolB, rest[i]);
    }
}

bool MarksSomething(const PlanLayer& layer) {
    if (layer.settings.mode == LayerMode::kSkip) return false;
    if (!layer.bitmapLines.empty()) return true;
    return std::any_of(layer.polylines.begin(), layer.polylines.end(),
                       [](const Polyline& line) { return line.size() >= 2; });
}

// The layer's marks, `passes` times in a row.
void AddMarks(const PlanLayer& layer, ListProgram* program) {
    for (int pass = 0; pass < std::max(1, layer.settings.passes); ++pass) {
        for (const Polyline& line : layer.polylines) AddPolyline(line, program);
        for (const BitmapLine& row : layer.bitmapLines) {
            program->commands.push_back(
                {ListOp::kBitmapLine, static_cast<int32_t>(program->bitmapLines.size()), 0});
            program->bitmapLines.push_back(row);
        }
    }
}

void AddRampsDelays(const LayerSettings& s, const ListTiming& t, ListProgram* program) {
    program->commands.push_back({ListOp::kDelays, static_cast<int32_t>(program->delays.size()), 0});
    program->delays.push_back({static_cast<uint16_t>(StepPeriod(s.speed)), t.jumpDelay, t.markDelay,
                               t.polyDelay, t.laserOffDelay, t.laserOnDelay, t.t1, t.t2,
                               RampPowerScale(s.power)});
}

// The commands BuildListProgram gives, counted first so that a program of millions is made
// in one allocation rather than by doubling.
size_t CommandCount(const MarkPlan& plan, const ProgramOptions& options) {
    size_t count = 1;  // the end
    for (const PlanLayer& layer : plan.layers) {
        if (!MarksSomething(layer)) continue;
        size_t marks = layer.bitmapLines.size();
        for (const Polyline& line : layer.polylines) {
            if (line.size() >= 2) marks += 1 + std::max<size_t>(2, line.size() - 1);
        }
        count += marks * size_t(std::max(1, layer.settings.passes)) + (options.ramps ? 5 : 2);
    }
    return count;
}

}  // namespace

uint16_t PowerLevel(double percent) {
    return static_cast<uint16_t>(
        std::floor(std::clamp(percent, 0.0, 100.0) / 100.0 * 65535.0 + 0.5));
}

uint16_t RampPowerScale(double percent) {
    const double t3 = std::floor(std::clamp(percent, 0.0, 100.0) / 100.0 * 65536.0 + 0.5);
    return static_cast<uint16_t>(std::min(t3, 65535.0));
}

ListProgram BuildListProgram(const MarkPlan& plan, const ProgramOptions& options) {
    ListProgram program;
    program.commands.reserve(CommandCount(plan, options));
    for (const PlanLayer& layer : plan.layers) {
        if (!MarksSomething(layer)) continue;
        const LayerSettings& s = layer.settings;
        if (options.ramps) AddRampsDelays(s, options.timing, &program);
        program.commands.push_back({ListOp::kPower, kPowerPort, PowerLevel(s.power)});
        program.commands.push_back({ListOp::kMarkParameters, StepPeriod(s.speed), kStepBits});
        if (options.ramps) {
            program.commands.push_back(
                {ListOp::kJumpParameters, StepPeriod(options.jumpSpeed), kStepBits});
        }
        AddMarks(layer, &program);
        if (options.ramps) program.commands.push_back({ListOp::kEnd, 0, 0});
    }
    if (!options.ramps || program.commands.empty())
        program.commands.push_back({ListOp::kEnd, 0, 0});
    return program;
}

size_t ListProgram::Records() const {
    size_t records = 0;
    for (const ListCommand& c : commands) {
        switch (c.op) {
            case ListOp::kBitmapLine: break;  // a packet of its own
            case ListOp::kDelays: records += 5; break;
            default: ++records; break;
        }
    }
    return records;
}

}  // namespace txorb::drawing
