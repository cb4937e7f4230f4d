// Cost of the parallel handshake per byte, apart from the port accesses themselves: the driver
// here answers every status read at once, so what remains is the link's own work and the four
// calls through the driver table per byte.
#include <benchmark/benchmark.h>

#include <vector>

#include "link/parallel_link.h"
#include "link/port_driver.h"
#include "platform/port_driver_module.h"

namespace {

// A peripheral that is ready as soon as a byte is written and takes it at the strobe.
uint32_t g_status = 0;
int32_t Open(int32_t) { return 0; }
int32_t Start(const char*) { return 0; }
int32_t Stop() { return 0; }
int32_t Enable(uint32_t, uint32_t, uint32_t) { return 0; }
uint32_t Read(uint32_t) { return g_status; }
uint32_t Write(uint32_t port, uint32_t value) {
    if ((port & 3) == 0) g_status = 0x80;
    if ((port & 3) == 2 && value == 1) g_status = 0;
    return 1;
}
int32_t Pci(void*, int32_t, int32_t, int32_t) { return -1; }
const txorb::platform::PortDriver kInstant = {1, Open, Start, Stop, Enable, Read, Write, Pci};

void BM_ParallelWrite(benchmark::State& state) {
    txorb::link::PortDriverStop();
    txorb::platform::SetPortDriverTable(&kInstant);
    txorb::link::PortDriverStart();
    txorb::link::ParallelLink link(0xE000, 0xE100);
    std::vector<uint8_t> packet(static_cast<size_t>(state.range(0)), 0x5A);
    for (auto _ : state) {
        benchmark::DoNotOptimize(link.Write(packet.data(), static_cast<int32_t>(packet.size())));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    txorb::link::PortDriverStop();
    txorb::platform::ResetPortDriverTable();
}
BENCHMARK(BM_ParallelWrite)->Arg(3)->Arg(11)->Arg(2503);

}  // namespace
