// Composing drawings into layers (plan/layering.h): 10,000 overlapping circles of random
// colours, and four large drawings of Debian's openclipart-svg package when it is installed.
// Each reports its polylines' moves a second and the share of each stage: reading the SVG,
// placing it (its drawn bounds), flattening (areas, clips and the compositing sweep), hatching
// (hatch lines, visible lines) and the raster rows of pictures.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "drawing/plan/layering.h"
#include "drawing/plan/placement.h"
#include "drawing/svg/read_svg.h"

namespace {

using namespace txorb::drawing;
using Clock = std::chrono::steady_clock;

Drawing Circles(int count) {
    std::mt19937 random(2026);
    std::uniform_real_distribution<double> at(-28000, 28000), radius(300, 3000), unit(0, 1);
    std::uniform_int_distribution<int> channel(0, 255);
    Drawing d;
    for (int i = 0; i < count; ++i) {
        const double cx = at(random), cy = at(random), r = radius(random);
        Subpath circle{{cx + r, cy}, {}, false};
        circle.ArcTo(r, r, 0, false, true, {cx - r, cy});
        circle.ArcTo(r, r, 0, false, true, {cx + r, cy});
        circle.Close();
        Item item;
        item.outline = {circle};
        const Colour c{uint8_t(channel(random)), uint8_t(channel(random)),
                       uint8_t(channel(random))};
        item.fill = Fill{FillRule::kNonZero, c, unit(random) < 0.1 ? 0.5 : 1.0, -1};
        d.items.push_back(std::move(item));
    }
    return d;
}

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
    const Drawing d = Circles(10000);
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

const char* const kClipart = "/usr/share/openclipart/svg/";
BENCHMARK_CAPTURE(ComposeClipart, bamboo, std::string(kClipart) + "plants/bamboo_01.svg")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ComposeClipart, pen, std::string(kClipart) + "office/pen_sek_.svg")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ComposeClipart, fruit,
                  std::string(kClipart) + "food/fruit/fruitcollection_leif_lod_07.svg")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ComposeClipart, portrait,
                  std::string(kClipart) + "people/martin_luther_king_jr._h_01.svg")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
