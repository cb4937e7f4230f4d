// Polyline segmentation: output records per second on a long zig-zag, and the cost of one
// polyline of 1,000 / 10,000 / 100,000 vertices (it must grow linearly).
#include <benchmark/benchmark.h>

#include <vector>

#include "list/pcd_table.h"
#include "list/segmentation.h"

namespace {

using txorb::list::PcdCurve;
using txorb::list::PcdTable;
using txorb::list::PolylineVertex;
using txorb::list::SegmentationSettings;
using txorb::list::VectorRecord;

// A zig-zag across the field: 2,000-unit strokes with a sharp corner at every vertex.
std::vector<VectorRecord> ZigZag(int vertices) {
    std::vector<VectorRecord> captured;
    captured.reserve(static_cast<size_t>(vertices) + 1);
    for (int i = 0; i < vertices; ++i) {
        const int16_t opcode = i == 0 ? 2 : (i == vertices - 1 ? 3 : 1);
        captured.push_back(
            VectorRecord{opcode, (i % 2) * 2000.0 - 1000.0, (i % 600) * 10.0 - 3000.0});
    }
    captured.push_back(VectorRecord{16, 0, 0});
    return captured;
}

struct Fixture {
    PcdTable open, shut;
    SegmentationSettings settings;
    Fixture() {
        txorb::list::FillPcdDefaults(open, PcdCurve::kOpen);
        txorb::list::FillPcdDefaults(shut, PcdCurve::kShut);
        settings.markSpeed = 10000.0;  // step 100 every 10 units
        settings.markStepPeriod = 10;
        settings.markStepSize = 100;
        settings.leadInPower = 0.0;
        settings.leadOutPower = 0.0;
        settings.powerControlSlope = 1000000.0;
        settings.microSegmentLength = 20.0;
        settings.open = &open;
        settings.shut = &shut;
    }
};

void Segment(benchmark::State& state, int vertices) {
    Fixture f;
    const auto captured = ZigZag(vertices);
    std::vector<PolylineVertex> work;
    std::vector<VectorRecord> out;
    size_t records = 0;
    for (auto _ : state) {
        out.clear();  // the storage stays, as between lists
        txorb::list::SegmentPolyline(captured, 0, -1000.0, -3000.0, f.settings, work, out);
        records += out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(records));
    state.counters["records"] = static_cast<double>(out.size());
}

void BM_ZigZagOutputRecords(benchmark::State& state) { Segment(state, 20000); }
BENCHMARK(BM_ZigZagOutputRecords)->Unit(benchmark::kMillisecond);

void BM_PolylineVertices(benchmark::State& state) {
    Segment(state, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_PolylineVertices)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
