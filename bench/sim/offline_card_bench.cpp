// The virtual card in-process: a hatch of 2,000 lines of 200 marks each (400,000 mark records,
// a solid fill of the whole field at the tool's default spacing) sent as the library sends
// it, run to its end, and drawn as 1024-pixel pictures.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "offline_card.h"
#include "proto/list_records.h"
#include "proto/opcodes.h"

namespace {

using txorb::sim::OfflineCard;
namespace op = txorb::proto::op;
namespace list_op = txorb::proto::list_op;

constexpr int kLines = 2000;
constexpr int kMarksPerLine = 200;
constexpr int kSpacingBits = 30;
constexpr int kLeft = -30000, kRight = 30000;
constexpr size_t kRecordsPerPacket = 500;  // the library sends 2,500 bytes at a time

void PutRecord(std::vector<uint8_t>* out, uint8_t opcode, int p1, int p2) {
    const auto a = static_cast<uint16_t>(p1), b = static_cast<uint16_t>(p2);
    out->insert(out->end(), {opcode, uint8_t(a), uint8_t(a >> 8), uint8_t(b), uint8_t(b >> 8)});
}

// The list packets of the hatch, then its end and Execute_List_1.
std::vector<txorb::proto::Packet> HatchPackets() {
    std::vector<uint8_t> records;
    for (int line = 0; line < kLines; ++line) {
        const int y = -kLines / 2 * kSpacingBits + line * kSpacingBits;
        const bool back = line % 2 == 1;  // zig-zag, as hatches are joined
        PutRecord(&records, list_op::kJumpAbs, back ? kRight : kLeft, y);
        for (int i = 1; i <= kMarksPerLine; ++i) {
            const int x = kLeft + (kRight - kLeft) * i / kMarksPerLine;
            PutRecord(&records, list_op::kMarkAbs, back ? kRight + kLeft - x : x, y);
        }
    }
    PutRecord(&records, list_op::kSetEndOfList, 0, 0);
    std::vector<txorb::proto::Packet> packets;
    const size_t bytes = kRecordsPerPacket * txorb::proto::kListRecordBytes;
    for (size_t at = 0; at < records.size(); at += bytes) {
        txorb::proto::Packet p;
        p.opcode = op::kListRecords;
        p.payload.assign(records.begin() + long(at),
                         records.begin() + long(std::min(records.size(), at + bytes)));
        packets.push_back(std::move(p));
    }
    packets.push_back(txorb::proto::Packet{op::kExecuteList, {0, 0}, {}});
    return packets;
}

std::string Prefix() { return "/tmp/txorb-offline-bench-" + std::to_string(::getpid()); }

void RunHatch(OfflineCard* card, const std::vector<txorb::proto::Packet>& packets) {
    for (const auto& p : packets) card->Send(p);
    const auto run = card->Run();
    benchmark::DoNotOptimize(run);
}

void BM_OfflineCardHatchRun(benchmark::State& state) {
    const auto packets = HatchPackets();
    for (auto _ : state) {
        OfflineCard card;
        RunHatch(&card, packets);
    }
    state.counters["records"] = double(kLines) * (kMarksPerLine + 1);
}
BENCHMARK(BM_OfflineCardHatchRun)->Unit(benchmark::kMillisecond);

void BM_OfflineCardHatchPictures(benchmark::State& state) {
    const auto packets = HatchPackets();
    OfflineCard card;
    RunHatch(&card, packets);
    std::string error;
    for (auto _ : state) {
        if (!card.WritePictures(Prefix(), &error)) state.SkipWithError(error.c_str());
    }
    std::remove((Prefix() + ".png").c_str());
    std::remove((Prefix() + ".svg").c_str());
}
BENCHMARK(BM_OfflineCardHatchPictures)->Unit(benchmark::kMillisecond);

// What a preview waits for: the packets, the run and both pictures.
void BM_OfflineCardHatchPreview(benchmark::State& state) {
    const auto packets = HatchPackets();
    std::string error;
    for (auto _ : state) {
        OfflineCard card;
        RunHatch(&card, packets);
        if (!card.WritePictures(Prefix(), &error)) state.SkipWithError(error.c_str());
    }
    std::remove((Prefix() + ".png").c_str());
    std::remove((Prefix() + ".svg").c_str());
}
BENCHMARK(BM_OfflineCardHatchPreview)->Unit(benchmark::kMillisecond);

}  // namespace
