// A production run at full speed: parts of a logo (examples/demo.svg, 30 mm), a dated serial
// and an 8 mm Data Matrix code, each made, planned, turned into its list, sent to the virtual
// card in-process, run and pictured, as `txorb run` does per part. Gives parts per minute of
// the host and each stage's share of its time; card_s is the card's own marking time per part
// (simulated), which a real line waits for on top.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "cli/production/program_hash.h"
#include "cli/run/program_packets.h"
#include "drawing/input/read_drawing.h"
#include "drawing/items/part_plan.h"
#include "drawing/plan/plan.h"
#include "drawing/program/list_program.h"
#include "offline_card.h"
#include "proto/opcodes.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace drawing = txorb::drawing;

constexpr double kLogoBits = 30.0 * 600.0;  // 30 mm at 600 bits/mm
constexpr const char* kJob = R"(
[[text]]
value = "SN {serial:06}  {date:%Y-%m-%d}"
height = 2.5
y = -22
power = 60
[[code]]
type = "datamatrix"
value = "SN{serial:06}"
size = 8
x = 12
y = -8
)";

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_ProductionPart(benchmark::State& state) {
    const drawing::ReadResult logo = drawing::ReadDrawing(TXORB_SOURCE_DIR "/examples/demo.svg");
    drawing::PlanOptions options;
    options.fieldBits = kLogoBits;
    drawing::MarkPlan logoPlan;
    drawing::JobFile job;
    drawing::PartPlanner planner;
    std::string error;
    if (!logo.ok || !drawing::PlanDrawing(logo.drawing, options, &logoPlan, &error) ||
        !drawing::ParseJobFile(kJob, "bench.toml", &job, &error) ||
        !drawing::PartPlanner::Prepare(job, logoPlan, options, {}, &planner, &error)) {
        state.SkipWithError((logo.error + error).c_str());
        return;
    }
    const std::string prefix = "/tmp/txorb-production-bench-" + std::to_string(::getpid());
    txorb::sim::OfflineCard card;
    double items = 0, program = 0, sending = 0, picture = 0, cardSeconds = 0;
    drawing::PartTimes parts;
    int64_t serial = 1;
    for (auto _ : state) {
        auto start = Clock::now();
        drawing::MarkPlan plan;
        drawing::PartTimes times;
        if (!planner.Plan(serial++, std::chrono::system_clock::now(), &plan, nullptr, &error,
                          &times)) {
            state.SkipWithError(error.c_str());
            break;
        }
        items += Since(start);
        parts.making += times.making;
        parts.planning += times.planning;
        parts.cutting += times.cutting;
        start = Clock::now();
        const drawing::ListProgram list = drawing::BuildListProgram(plan, {});
        benchmark::DoNotOptimize(txorb::cli::ListProgramHash(list));
        program += Since(start);
        start = Clock::now();
        for (size_t next = 0; next < list.commands.size();) {
            for (const auto& p : txorb::cli::ListPackets(list, next, &next)) card.Send(p);
            card.Send(txorb::proto::Packet{txorb::proto::op::kExecuteList, {0, 0}, {}});
            cardSeconds += card.Run().elapsedUs / 1e6;
        }
        sending += Since(start);
        start = Clock::now();
        if (!card.WritePictures(prefix, &error)) state.SkipWithError(error.c_str());
        card.ClearPicture();
        picture += Since(start);
    }
    const double total = items + program + sending + picture;
    const double count = static_cast<double>(state.iterations());
    state.counters["parts_per_min"] = total > 0 ? count / total * 60.0 : 0.0;
    state.counters["card_s"] = cardSeconds / count;
    // The items' share: filling in and setting them, hatching them, cutting the logo under them.
    state.counters["share_making"] = parts.making / total;
    state.counters["share_hatching"] = parts.planning / total;
    state.counters["share_cutting"] = parts.cutting / total;
    state.counters["share_program"] = program / total;
    state.counters["share_card"] = sending / total;
    state.counters["share_picture"] = picture / total;
    std::remove((prefix + ".png").c_str());
    std::remove((prefix + ".svg").c_str());
}
BENCHMARK(BM_ProductionPart)->Unit(benchmark::kMillisecond);

}  // namespace
