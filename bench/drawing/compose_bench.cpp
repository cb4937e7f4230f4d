// Composing drawings into layers (plan/layering.h): 10,000 overlapping circles of random
// colours, and four large drawings of Debian's openclipart-svg package when it is installed.
// Each reports its polylines' moves a second and the share of each stage: reading the SVG,
// placing it (its drawn bounds), flattening (areas, clips and the compositing sweep), hatching
// (hatch lines, visible lines) and the raster rows of pictures.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "bench_drawings.h"
#include "drawing/plan/layering.h"
#include "drawing/plan/placement.h"
#include "drawing/svg/read_svg.h"

namespace {

using namespace txorb::drawing;
using Clock = std::chrono::steady_clock;

void Report(benchmark::State& state, const ComposeResult& r, double reading, double placing,
            double total) {
    size_t moves = 0, layers = 0;
    for (const PlanLayer& l : r.layers) {
        moves += l.stats.markMoves;
        layers += l.notMarked.empty() ? 1 : 0;
    }
    const double all = reading + placing + r.times.flattening + r.times.hatching + r.times.raster;
    state.counters["layers"] = double(layers);
    state.counters["moves/s"] = benchmark::Counter(double(moves), benchmark::Counter::kIsRate);
    state.counters["read%"] = 100.0 * reading / all;
    state.counters["place%"] = 100.0 * placing / all;
    state.counters["flatten%"] = 100.0 * r.times.flattening / all;
    state.counters["hatch%"] = 100.0 * r.times.hatching / all;
    state.counters["raster%"] = 100.0 * r.times.raster / all;
    state.SetIterationTime(total);
}

void ComposeCircles(benchmark::State& state) {
    const Drawing d = txorb::bench::OverlappingCircles(10000);
    const ComposeOptions o;
    for (auto _ : state) {
        const auto start = Clock::now();
        const ComposeResult r = ComposeLayers(d, Affine{}, o);
        Report(state, r, 0.0, 0.0, std::chrono::duration<double>(Clock::now() - start).count());
    }
}
BENCHMARK(ComposeCircles)->UseManualTime()->Unit(benchmark::kMillisecond);

void ComposeClipart(benchmark::State& state, const std::string& path) {
    if (!std::filesystem::exists(path)) {
        state.SkipWithError("not installed: apt-get install openclipart-svg");
        return;
    }
    const ComposeOptions o;
    for (auto _ : state) {
        const auto start = Clock::now();
        const ReadResult read = ReadSvgFile(path);
        const double reading = std::chrono::duration<double>(Clock::now() - start).count();
        const auto placed = Clock::now();
        PlanOptions placing;
        placing.minInk = 0.0;  // as planning with tones places a drawing
        Affine toField;
        std::string error;
        if (!read.ok || !PlaceDrawing(DrawnBounds(read.drawing, placing), read.drawing, placing,
                                      &toField, &error)) {
            state.SkipWithError("the drawing cannot be read or placed");
            return;
        }
        const double place = std::chrono::duration<double>(Clock::now() - placed).count();
        const ComposeResult r = ComposeLayers(read.drawing, toField, o);
        Report(state, r, reading, place,
               std::chrono::duration<double>(Clock::now() - start).count());
    }
}

BENCHMARK_CAPTURE(ComposeClipart, bamboo,
                  std::string(txorb::bench::kClipart) + txorb::bench::kBamboo)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ComposeClipart, pen, std::string(txorb::bench::kClipart) + txorb::bench::kPen)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ComposeClipart, fruit, std::string(txorb::bench::kClipart) + txorb::bench::kFruit)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ComposeClipart, portrait,
                  std::string(txorb::bench::kClipart) + txorb::bench::kPortrait)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
