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

struct ProgramOptions {
    // The library's power and speed ramps (its vector capture) are on: the list opens with the
    // speed records it plans them with.
    bool ramps = false;
    double markSpeed = 250.0;   // bits/ms
    double jumpSpeed = 1000.0;  // bits/ms
};

// The list a plan is marked with: with ramps first the mark and jump speed records; then, layer
// by layer, each polyline as a jump to its first point and PolA (its second point), PolB...,
// PolC (its last): a polyline of one move gets the move's middle as PolA (or, when the middle
// rounds onto an end, its end twice); then the layer's bitmap lines; the list's end last.
ListProgram BuildListProgram(const MarkPlan& plan, const ProgramOptions& options);

}  // namespace txorb::drawing
