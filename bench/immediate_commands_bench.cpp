// Immediate commands with large payloads against a scripted card: bitmap lines by length and a
// whole correction-file load, as bytes per second on the pty.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/fake_rtb.h"
#include "support/test_env.h"
#include "txorb/txorb.h"

namespace {

struct Rig {
    Rig() {
        registry.Write(txorb::test::TempRegistry::ComPort(3, rtb.Path()));
        txorb::test::InstallCard(1, 3, 2000);
    }
    ~Rig() { txorb::test::RemoveInstalledCard(1); }
    txorb::test::FakeRtb rtb;
    txorb::test::TempRegistry registry;
};

void BM_BitmapLine(benchmark::State& state) {
    Rig rig;
    std::vector<uint16_t> delays(static_cast<size_t>(state.range(0)), 0x1234);
    const auto count = static_cast<uint16_t>(delays.size());
    for (auto _ : state) {
        if (!Put_Bitmapline_List(0, 0, 1000, 0, delays.data(), count)) state.SkipWithError("line");
        rig.rtb.Clear();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (11 + 2 * count));
}
BENCHMARK(BM_BitmapLine)->Arg(16)->Arg(1000)->Arg(32762)->UseRealTime();

void BM_LoadCorrectionFile(benchmark::State& state) {
    Rig rig;
    txorb::test::TempDir dir;
    const std::string path = dir.File("bench.cor");
    std::ofstream(path, std::ios::binary) << std::string(25350, '\x5A');
    for (auto _ : state) {
        if (!Load_Cor(path.c_str())) state.SkipWithError("load");
        rig.rtb.Clear();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (3 + 25350));
}
BENCHMARK(BM_LoadCorrectionFile)->UseRealTime();

}  // namespace
