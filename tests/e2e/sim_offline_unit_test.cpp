// The virtual card in-process: a list runs to its end in simulated time at once, the start
// input waits as configured, and the outputs are written whole or the failure is named.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "event_log.h"
#include "offline_card.h"
#include "proto/opcodes.h"
#include "proto/packet.h"

namespace txorb::sim {
namespace {

namespace op = proto::op;
namespace list_op = proto::list_op;

std::vector<uint8_t> Records(const std::vector<std::vector<int>>& records) {
    std::vector<uint8_t> out;
    for (const auto& r : records) {
        const auto a = static_cast<uint16_t>(r[1]), b = static_cast<uint16_t>(r[2]);
        out.insert(out.end(), {static_cast<uint8_t>(r[0]), uint8_t(a), uint8_t(a >> 8), uint8_t(b),
                               uint8_t(b >> 8)});
    }
    return out;
}

TEST(OfflineCard, ListRunsToItsEndOrToWhatItWaitsFor) {
    // A 250-bit mark at the power-up speed of 250 bits/ms takes 1,000 us; every other record
    // costs the card's least, 1 us.
    const std::vector<int> mark = {list_op::kMarkAbs, 250, 0};
    const std::vector<int> wait = {list_op::kWaitForExternalStart, 0, 0};
    const std::vector<int> end = {list_op::kSetEndOfList, 0, 0};
    struct Row {
        const char* what;
        std::vector<std::vector<int>> list;
        bool autoStart;
        double startEvery;
        bool loop;
        int64_t elapsedUs;
        OfflineEnd end;
    };
    const Row rows[] = {
        {"mark, end", {mark, end}, false, 0, false, 1001, OfflineEnd::kIdle},
        {"waits for a start", {wait, mark, end}, false, 0, false, 1, OfflineEnd::kWaiting},
        {"auto start", {wait, mark, end}, true, 0, false, 1002, OfflineEnd::kIdle},
        {"start tick at 0.5 s", {wait, mark, end}, false, 0.5, false, 501001, OfflineEnd::kIdle},
        {"list not closed", {mark}, false, 0, false, 1000, OfflineEnd::kWaiting},
        {"endless loop", {mark, end}, false, 0, true, 1000000, OfflineEnd::kTimeLimit},
    };
    constexpr int64_t kLimitUs = 1000000;  // a second
    for (const Row& row : rows) {
        OfflineCardOptions options;
        options.autoStart = row.autoStart;
        options.startEverySeconds = row.startEvery;
        OfflineCard card(options);
        std::vector<uint8_t> wire;
        const auto send = [&](uint8_t opcode, const std::vector<uint8_t>& payload) {
            const auto bytes = proto::FrameRequest(opcode, payload);
            wire.insert(wire.end(), bytes.begin(), bytes.end());
        };
        if (row.loop) send(op::kStartLoop, {});
        send(op::kListRecords, Records(row.list));
        send(op::kExecuteList, {0, 0});
        EXPECT_EQ(card.Feed(wire.data(), wire.size()), row.loop ? 3u : 2u) << row.what;
        const OfflineRun run = card.Run(kLimitUs);
        EXPECT_EQ(run.elapsedUs, row.elapsedUs) << row.what;
        EXPECT_EQ(run.end, row.end) << row.what;
        EXPECT_EQ(card.Pictured().MarkCount() > 0, row.elapsedUs >= 1000) << row.what;
    }
}

TEST(OfflineCard, PicturesAreWrittenOrTheFailureNamesThePath) {
    OfflineCard card;
    const std::string prefix = ::testing::TempDir() + "/offline-" + std::to_string(::getpid());
    std::string error;
    EXPECT_TRUE(card.WritePictures(prefix, &error)) << error;
    EXPECT_EQ(std::remove((prefix + ".png").c_str()), 0);
    EXPECT_EQ(std::remove((prefix + ".svg").c_str()), 0);
    EXPECT_FALSE(card.WritePictures("/nonexistent-dir/picture", &error));
    EXPECT_EQ(error, "/nonexistent-dir/picture.png: No such file or directory");
}

TEST(Outputs, AFullDiskCutsTheLogBackToWholeLinesAndNamesTheReason) {
    constexpr rlim_t kFileLimit = 1000;  // bytes the "disk" takes
    const std::string path = ::testing::TempDir() + "/log-" + std::to_string(::getpid());
    const std::string line = "{\"t_us\":0,\"event\":\"tick\"}\n";
    EventLog log;
    std::string error;
    ASSERT_TRUE(log.Open(path, &error)) << error;
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails
    const rlimit small{kFileLimit, saved.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    for (int i = 0; i < 100; ++i) {
        log.Note(0, "tick", "");
        log.Flush();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedSignal);
    EXPECT_FALSE(log.Close(&error));
    EXPECT_EQ(error, path + ": File too large");
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    std::string whole;
    for (size_t i = 0; i < kFileLimit / line.size(); ++i) whole += line;
    EXPECT_EQ(text.str(), whole);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace txorb::sim
