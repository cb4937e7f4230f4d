// List building: records per second through the exports against a card that answers at once,
// beside the raw pty throughput of the same bulk packets, and the append alone with no card.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "link/card_table.h"
#include "list/list_buffer.h"
#include "proto/pty.h"
#include "support/test_env.h"
#include "txorb/txorb.h"

namespace {

constexpr int kRecordsPerRun = 1000000;
constexpr uint32_t kPacketPayload = 2500;

// Plays a card that answers every packet with status 1 as soon as its last byte is in.
class BulkPeer {
public:
    BulkPeer() : thread_([this] { Run(); }) {}
    ~BulkPeer() {
        stop_ = true;
        thread_.join();
    }
    const std::string& Path() const { return pty_.SlavePath(); }

private:
    void Run() {
        std::vector<uint8_t> buf(65536);
        uint8_t header[3];
        size_t headerHave = 0;
        size_t bodyLeft = 0;
        while (!stop_) {
            pollfd p{pty_.MasterFd(), POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const ssize_t n = ::read(pty_.MasterFd(), buf.data(), buf.size());
            if (n <= 0) continue;
            for (ssize_t i = 0; i < n;) {
                if (headerHave < 3) {
                    header[headerHave++] = buf[static_cast<size_t>(i++)];
                    if (headerHave == 3)
                        bodyLeft = static_cast<size_t>(header[1] | (header[2] << 8));
                } else {
                    const size_t take = std::min(bodyLeft, static_cast<size_t>(n - i));
                    bodyLeft -= take;
                    i += static_cast<ssize_t>(take);
                }
                if (headerHave == 3 && bodyLeft == 0) {
                    headerHave = 0;
                    const uint8_t reply[3] = {1, 0, 1};
                    (void)!::write(pty_.MasterFd(), reply, sizeof reply);
                }
            }
        }
    }
    txorb::proto::PtyPair pty_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

double Seconds(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// Mark_Abs records through the library: one bulk exchange per 500.
double LibraryRecordsPerSecond() {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRecordsPerRun; ++i) {
        if (!Mark_Abs(static_cast<int16_t>(i), static_cast<int16_t>(-i))) return 0.0;
    }
    return kRecordsPerRun / Seconds(start);
}

// The same packets written straight to a pty, each followed by reading its status reply.
// With purgeFirst, each send is preceded by what the link does before every request: drop
// both queues and drain what is still arriving (one read when nothing is).
double RawRecordsPerSecond(const std::string& path, bool purgeFirst) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return 0.0;
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    std::vector<uint8_t> packet(3 + kPacketPayload, 0x0A);
    packet[0] = txorb::opcode::kListTransfer;
    packet[1] = static_cast<uint8_t>(kPacketPayload);
    packet[2] = static_cast<uint8_t>(kPacketPayload >> 8);
    const int packets = kRecordsPerRun / static_cast<int>(kPacketPayload / 5);
    const auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < packets; ++k) {
        if (purgeFirst) {
            ::tcflush(fd, TCOFLUSH);
            ::tcflush(fd, TCIFLUSH);
            uint8_t drained;
            (void)!::read(fd, &drained, 1);
        }
        size_t sent = 0;
        while (sent < packet.size()) {
            const ssize_t n = ::write(fd, packet.data() + sent, packet.size() - sent);
            if (n > 0) {
                sent += static_cast<size_t>(n);
                continue;
            }
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 2000);
        }
        uint8_t reply[3];
        size_t got = 0;
        while (got < sizeof reply) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 2000) <= 0) {
                ::close(fd);
                return 0.0;
            }
            const ssize_t n = ::read(fd, reply + got, sizeof reply - got);
            if (n > 0) got += static_cast<size_t>(n);
        }
    }
    const double rate = kRecordsPerRun / Seconds(start);
    ::close(fd);
    return rate;
}

// Both measured in the same run, alternately, on separate ptys with identical peers; the best
// of the iterations of each is kept, so that a burst of load on a shared host hits neither.
void BM_MarkAbsAgainstInstantPeerVsRawPty(benchmark::State& state) {
    BulkPeer cardPeer;
    BulkPeer rawPeer;
    txorb::test::TempRegistry registry;
    registry.Write(txorb::test::TempRegistry::ComPort(4, cardPeer.Path()));
    txorb::test::InstallCard(1, 4, 2000);
    double library = 0;
    double raw = 0;
    double rawPurged = 0;
    for (auto _ : state) {
        const double l = LibraryRecordsPerSecond();
        const double r = RawRecordsPerSecond(rawPeer.Path(), false);
        const double p = RawRecordsPerSecond(rawPeer.Path(), true);
        if (l == 0.0 || r == 0.0 || p == 0.0) {
            state.SkipWithError("exchange failed");
            break;
        }
        library = std::max(library, l);
        raw = std::max(raw, r);
        rawPurged = std::max(rawPurged, p);
        state.SetIterationTime(kRecordsPerRun / l);
    }
    state.counters["library_records_per_s"] = library;
    state.counters["raw_records_per_s"] = raw;
    state.counters["raw_purged_records_per_s"] = rawPurged;
    state.counters["ratio"] = raw > 0 ? library / raw : 0;
    state.counters["ratio_to_purged"] = rawPurged > 0 ? library / rawPurged : 0;
    txorb::test::RemoveInstalledCard(1);
}
BENCHMARK(BM_MarkAbsAgainstInstantPeerVsRawPty)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The append alone: no card is active, so every 500th record drops the pending list with 26.
void BM_MarkAbsAppendNoCard(benchmark::State& state) {
    txorb::link::SetActiveCardIndex(0);
    int16_t v = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Mark_Abs(v, v));
        ++v;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MarkAbsAppendNoCard);

// The record append beneath the exports, for comparison with the export frame around it.
void BM_AddListCommandNoCard(benchmark::State& state) {
    txorb::link::SetActiveCardIndex(0);
    uint16_t v = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(txorb::list::AppendListRecord(10, v, v));
        ++v;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddListCommandNoCard);

}  // namespace
