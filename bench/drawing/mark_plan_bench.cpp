// Drawing to list records for a large drawing of filled paths: how many records a second the
// planning gives, and the share of its time spent reading, clipping (knock-out and hatching)
// and ordering. Records are counted as the library is handed them (ListProgram::Records). The
// drawing is made here: 1.5 MB of overlapping filled shapes, some white, some with holes and
// curves, in groups with transforms.
#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <string>

#include "drawing/plan/plan.h"
#include "drawing/program/list_program.h"
#include "drawing/svg/read_svg.h"

namespace {

using Clock = std::chrono::steady_clock;

// About 1.5 MB of shapes on a 1000 x 1000 page.
constexpr size_t kDrawingBytes = 1500 * 1000;

std::string Shape(std::mt19937& random) {
    std::uniform_real_distribution<double> at(0.0, 1000.0), size(3.0, 25.0);
    std::uniform_int_distribution<int> kind(0, 3), colour(0, 9);
    const double x = at(random), y = at(random), s = size(random);
    const std::string fill =
        colour(random) == 0 ? "#ffffff" : "#" + std::to_string(100000 + colour(random) * 11111);
    char buf[512];
    switch (kind(random)) {
        case 0:  // a square with a hole
            std::snprintf(buf, sizeof buf,
                          "<path fill-rule='evenodd' fill='%s' d='M%.2f %.2f h%.2f v%.2f h%.2f Z "
                          "M%.2f %.2f h%.2f v%.2f h%.2f Z'/>\n",
                          fill.c_str(), x, y, s, s, -s, x + s / 4, y + s / 4, s / 2, s / 2, -s / 2);
            break;
        case 1:  // a blob of curves
            std::snprintf(
                buf, sizeof buf,
                "<path fill='%s' d='M%.2f %.2f c%.2f %.2f %.2f %.2f %.2f 0 s%.2f %.2f %.2f "
                "%.2f q%.2f %.2f %.2f %.2f Z'/>\n",
                fill.c_str(), x, y, s / 3, -s, s, -s / 2, s, s / 2, s, 0.0, s, -s / 2, s / 3, -s,
                -s / 2);
            break;
        case 2:  // a rotated star
            std::snprintf(buf, sizeof buf,
                          "<polygon transform='rotate(%.1f %.2f %.2f)' fill='%s' points='%.2f,%.2f "
                          "%.2f,%.2f %.2f,%.2f %.2f,%.2f %.2f,%.2f'/>\n",
                          x, x, y, fill.c_str(), x, y - s, x + s * 0.6, y + s * 0.8, x - s,
                          y - s * 0.3, x + s, y - s * 0.3, x - s * 0.6, y + s * 0.8);
            break;
        default:  // an ellipse with a stroke
            std::snprintf(
                buf, sizeof buf,
                "<ellipse cx='%.2f' cy='%.2f' rx='%.2f' ry='%.2f' fill='%s' stroke='black' "
                "stroke-width='0.2'/>\n",
                x, y, s, s / 2, fill.c_str());
            break;
    }
    return buf;
}

std::string MakeDrawing() {
    std::mt19937 random(2026);
    std::string svg = "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 1000 1000'>\n";
    while (svg.size() < kDrawingBytes) {
        svg += "<g transform='translate(0.5 0.5)'>\n";
        for (int i = 0; i < 50; ++i) svg += Shape(random);
        svg += "</g>\n";
    }
    return svg + "</svg>\n";
}

void DrawingToListRecords(benchmark::State& state) {
    const std::string svg = MakeDrawing();
    double reading = 0, clipping = 0, ordering = 0, total = 0;
    size_t records = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const txorb::drawing::ReadResult read = txorb::drawing::ReadSvgText(svg, "bench.svg");
        const auto read_done = Clock::now();
        txorb::drawing::MarkPlan plan;
        std::string error;
        if (!read.ok || !txorb::drawing::PlanDrawing(read.drawing, {}, &plan, &error)) {
            state.SkipWithError("the drawing cannot be planned");
            return;
        }
        const auto end = Clock::now();
        reading += std::chrono::duration<double>(read_done - start).count();
        total += std::chrono::duration<double>(end - start).count();
        clipping += plan.times.flattening + plan.times.hatching;
        ordering += plan.times.ordering;
        records += txorb::drawing::BuildListProgram(plan, {}).Records();
    }
    state.counters["records_per_s"] =
        benchmark::Counter(double(records), benchmark::Counter::kIsRate);
    state.counters["reading_share"] = reading / total;
    state.counters["clipping_share"] = clipping / total;
    state.counters["ordering_share"] = ordering / total;
    state.counters["drawing_bytes"] = double(svg.size());
}
BENCHMARK(DrawingToListRecords)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
