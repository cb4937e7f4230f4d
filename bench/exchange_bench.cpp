// One status exchange through the library beside the same bytes exchanged raw on a pty, and
// the CPU the caller burns while the card takes its time.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "link/exchange.h"
#include "proto/pty.h"
#include "support/test_env.h"

namespace {

// A peer that answers every 5-byte request with a status reply, after delayMs.
class InstantPeer {
public:
    explicit InstantPeer(int delayMs = 0) : delayMs_(delayMs), thread_([this] { Run(); }) {}
    ~InstantPeer() {
        stop_ = true;
        thread_.join();
    }
    const std::string& Path() const { return pty_.SlavePath(); }

private:
    void Run() {
        uint8_t buf[4096];
        size_t pending = 0;
        while (!stop_) {
            pollfd p{pty_.MasterFd(), POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            ssize_t n = ::read(pty_.MasterFd(), buf, sizeof buf);
            if (n <= 0) continue;
            pending += static_cast<size_t>(n);
            while (pending >= 5) {
                pending -= 5;
                if (delayMs_ > 0) ::usleep(static_cast<useconds_t>(delayMs_) * 1000);
                const uint8_t reply[3] = {1, 0, 1};
                (void)!::write(pty_.MasterFd(), reply, 3);
            }
        }
    }
    txorb::proto::PtyPair pty_;
    int delayMs_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

const uint8_t kPayload[2] = {0x05, 0x00};

void BM_StatusExchangeThroughLibrary(benchmark::State& state) {
    InstantPeer peer;
    txorb::test::TempRegistry registry;
    registry.Write(txorb::test::TempRegistry::ComPort(3, peer.Path()));
    txorb::test::InstallCard(1, 3, 2000);
    for (auto _ : state) {
        if (txorb::link::ExecuteStatusCommand(0x3C, kPayload, 2) != 0)
            state.SkipWithError("exchange");
    }
    txorb::test::RemoveInstalledCard(1);
}
BENCHMARK(BM_StatusExchangeThroughLibrary)->UseRealTime();

void BM_StatusExchangeRaw(benchmark::State& state) {
    InstantPeer peer;
    int fd = ::open(peer.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    const uint8_t request[5] = {0x3C, 0x02, 0x00, 0x05, 0x00};
    for (auto _ : state) {
        (void)!::write(fd, request, 5);
        uint8_t reply[3];
        size_t got = 0;
        while (got < 3) {
            pollfd p{fd, POLLIN, 0};
            ::poll(&p, 1, 2000);
            ssize_t n = ::read(fd, reply + got, 3 - got);
            if (n > 0) got += static_cast<size_t>(n);
        }
    }
    ::close(fd);
}
BENCHMARK(BM_StatusExchangeRaw)->UseRealTime();

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// The caller blocks in poll() while the card works: its CPU time is a sliver of the wait.
void BM_CpuWhileCardWaits200ms(benchmark::State& state) {
    InstantPeer peer(200);
    txorb::test::TempRegistry registry;
    registry.Write(txorb::test::TempRegistry::ComPort(3, peer.Path()));
    txorb::test::InstallCard(1, 3, 2000);
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const double c0 = ThreadCpuSeconds();
        timespec w0{}, w1{};
        clock_gettime(CLOCK_MONOTONIC, &w0);
        if (txorb::link::ExecuteStatusCommand(0x3C, kPayload, 2) != 0)
            state.SkipWithError("exchange");
        clock_gettime(CLOCK_MONOTONIC, &w1);
        cpu += ThreadCpuSeconds() - c0;
        wall += static_cast<double>(w1.tv_sec - w0.tv_sec) + (w1.tv_nsec - w0.tv_nsec) * 1e-9;
    }
    state.counters["cpu_fraction_of_wait"] = cpu / wall;
    txorb::test::RemoveInstalledCard(1);
}
BENCHMARK(BM_CpuWhileCardWaits200ms)->Iterations(10)->UseRealTime();

}  // namespace
