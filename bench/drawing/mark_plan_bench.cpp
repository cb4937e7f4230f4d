// Drawing to list records: how many records a second the planning gives, and the share of
// each stage: reading the SVG, placing it, composing its layers (flattening, compositing,
// hatching, picture rows), ordering their paths and making the list program. Records are
// counted as the library is handed them (ListProgram::Records). Drawings: 1.5 MB of
// overlapping filled shapes made here as SVG (some white, some with holes and curves, in groups
// with transforms), 10,000 overlapping circles, and four large drawings of openclipart-svg.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "bench_drawings.h"
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
    std::string fill = "#";
    fill += colour(random) == 0 ? "ffffff" : std::to_string(100000 + colour(random) * 11111);
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

using txorb::drawing::ReadResult;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Reads (or makes) the drawing, plans it with the defaults (the order short) and makes its
// list program, each iteration; reports records a second and each stage's share.
void Plan(benchmark::State& state, const std::function<ReadResult()>& read) {
    double reading = 0, placing = 0, composing = 0, ordering = 0, program = 0;
    size_t records = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const ReadResult drawing = read();
        reading += Since(start);
        txorb::drawing::MarkPlan plan;
        std::string error;
        if (!drawing.ok || !txorb::drawing::PlanDrawing(drawing.drawing, {}, &plan, &error)) {
            std::string why = "the drawing cannot be planned: ";
            why += error;
            state.SkipWithError(why.c_str());
            return;
        }
        placing += plan.times.placing;
        composing += plan.times.flattening + plan.times.hatching + plan.times.raster;
        ordering += plan.times.ordering;
        const auto made = Clock::now();
        records += txorb::drawing::BuildListProgram(plan, {}).Records();
        program += Since(made);
        state.SetIterationTime(Since(start));
    }
    const double all = reading + placing + composing + ordering + program;
    state.counters["records/s"] = benchmark::Counter(double(records), benchmark::Counter::kIsRate);
    state.counters["read%"] = 100.0 * reading / all;
    state.counters["place%"] = 100.0 * placing / all;
    state.counters["compose%"] = 100.0 * composing / all;
    state.counters["order%"] = 100.0 * ordering / all;
    state.counters["program%"] = 100.0 * program / all;
}

void GeneratedShapes(benchmark::State& state) {
    const std::string svg = MakeDrawing();
    state.counters["drawing_bytes"] = double(svg.size());
    Plan(state, [&svg] { return txorb::drawing::ReadSvgText(svg, "bench.svg"); });
}
BENCHMARK(GeneratedShapes)->UseManualTime()->Unit(benchmark::kMillisecond);

void Circles(benchmark::State& state) {
    ReadResult circles;
    circles.ok = true;
    circles.drawing = txorb::bench::OverlappingCircles(10000);
    Plan(state, [&circles] { return circles; });
}
BENCHMARK(Circles)->UseManualTime()->Unit(benchmark::kMillisecond);

void Clipart(benchmark::State& state, const std::string& path) {
    if (!std::filesystem::exists(path)) {
        state.SkipWithError("not installed: apt-get install openclipart-svg");
        return;
    }
    Plan(state, [&path] { return txorb::drawing::ReadSvgFile(path); });
}
BENCHMARK_CAPTURE(Clipart, bamboo, std::string(txorb::bench::kClipart) + txorb::bench::kBamboo)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Clipart, pen, std::string(txorb::bench::kClipart) + txorb::bench::kPen)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Clipart, fruit, std::string(txorb::bench::kClipart) + txorb::bench::kFruit)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Clipart, portrait, std::string(txorb::bench::kClipart) + txorb::bench::kPortrait)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
