// What the card gets: a plain sequence of typed list commands, made from a MarkPlan by one
// pure function. This is the one place that knows how a polyline becomes PolA/PolB/PolC
// records, where power and speed records go, and how many list records a plan costs; the
// player in the command-line tool only turns each command into its library call.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "drawing/plan/mark_plan.h"

namespace txorb::drawing {

enum class ListOp : uint8_t {
    kJump,            // Jump_Abs(a, b)
    kPolA,            // PolA_Abs(a, b): opens a polyline
    kPolB,            // PolB_Abs(a, b)
    kPolC,            // PolC_Abs(a, b): closes it
    kMarkParameters,  // Set_Mark_Parameters_List(a = step period µs, b = step size bits)
    kJumpParameters,  // Set_Jump_Parameters_List(a = step period µs, b = jump size bits)
    kPower,           // Write_Port_List(a = address offset, b = level)
    kDelays,          // Set_Delays(delays[a]...)
    kBitmapLine,      // Put_Bitmapline_List(bitmapLines[a])
    kWaitForStart,    // Wait_For_External_Start()
    kEnd,             // Set_End_Of_List(): the list ends; the player runs it
};

struct ListCommand {
    ListOp op = ListOp::kEnd;
    int32_t a = 0;
    int32_t b = 0;
    bool operator==(const ListCommand&) const = default;
};

struct ListProgram {
    std::vector<ListCommand> commands;
    std::vector<BitmapLine> bitmapLines;
    std::vector<std::array<uint16_t, 9>> delays;  // Set_Delays' nine values, in its order

    // 5-byte list records the library is handed (a bitmap line is a packet of its own and a
    // Set_Delays five records).
    size_t Records() const;
    bool operator==(const ListProgram&) const = default;
};

// The step size of the speed records: a speed of v bits/ms is this many bits every
// kStepBits * 1000 / v microseconds.
inline constexpr uint16_t kStepBits = 100;

// The laser's power output, as the library's power ramps write it: Write_Port_List to this
// address offset, full power 65535.
inline constexpr uint16_t kPowerPort = 40;
// The level of `percent` % power (clamped to 0..100): floor(percent / 100 * 65535 + 0.5).
uint16_t PowerLevel(double percent);
// Set_Delays' T3 that makes the library's ramps run at `percent` % of their powers (they scale
// by T3 / 65536): min(65535, floor(percent / 100 * 65536 + 0.5)).
uint16_t RampPowerScale(double percent);

// Set_Delays' values besides the step period and T3, in µs: with ramps every layer's list
// opens with a Set_Delays, which sets these too. 0 is the virtual card's own value and lets a
// card wait nothing extra.
struct ListTiming {
    uint16_t jumpDelay = 0, markDelay = 0, polyDelay = 0, laserOffDelay = 0, laserOnDelay = 0;
    uint16_t t1 = 0, t2 = 0;
};

struct ProgramOptions {
    // The library's power and speed ramps (its vector capture) are on: it rewrites a list's
    // polylines when the list ends, with the last Set_Delays' T3 as its power scale, so every
    // layer is a list of its own.
    bool ramps = false;
    double jumpSpeed = 1000.0;  // bits/ms
    ListTiming timing;          // with ramps
};

// The list a plan is marked with. Each layer that marks something (its mode is not skip and it
// has polylines or bitmap lines) gives, in the plan's order: its power (kPower: kPowerPort,
// PowerLevel) and its speed (kMarkParameters); then its marks `passes` times in a row: each
// polyline as a jump to its first point and PolA (its second point), PolB..., PolC (its last),
// a polyline of one move with the move's middle as PolA (or, when the middle rounds onto an
// end, its end twice); then its bitmap lines. One end closes the list.
// With ramps each layer is a list of its own, ended by kEnd and run before the next: it opens
// with Set_Delays (the layer's step period, `timing`, T3 = RampPowerScale), then its power,
// speed and jump speed (kJumpParameters) records, then its marks. A plan that marks nothing
// gives a lone end.
ListProgram BuildListProgram(const MarkPlan& plan, const ProgramOptions& options);

}  // namespace txorb::drawing
