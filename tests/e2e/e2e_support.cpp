#include "e2e_support.h"

#include <stdlib.h>

#include <chrono>
#include <sstream>
#include <thread>

namespace txorb::e2e {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStartTimeoutMs = 5000;
constexpr int kStopTimeoutMs = 10000;

}  // namespace

SimUnderTest::SimUnderTest(const std::vector<std::string>& extraArgs) {
    std::vector<std::string> args = {"--link", Link(),     "--socket", Socket(), "--log",
                                     Log(),    "--render", Pictures(), "--disk", Disk()};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::string error;
    // The socket is bound before the pty is announced, so it can be used at once.
    started_ = process_.Start(TXORB_SIM_PATH, args, kStartTimeoutMs, &error);
}

SimUnderTest::~SimUnderTest() { Stop(); }

int SimUnderTest::Stop() {
    std::string error;
    process_.Stop(kStopTimeoutMs, &error);
    return process_.ExitCode();
}

void* LibraryHandle() {
    static void* handle = [] {
        ::setenv("TXORB_PORT_DRIVER", TXORB_SIMDRIVER_PATH, 1);
        return ::dlopen(TXORB_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    }();
    return handle;
}

bool WaitIdle(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        if ((TX(Read_Status)() & kStatusBusy) == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

std::vector<std::string> LoggedPackets(const std::string& log) {
    std::vector<std::string> out;
    std::istringstream in(log);
    std::string line;
    const auto field = [](const std::string& l, const std::string& key) {
        const size_t at = l.find("\"" + key + "\":");
        if (at == std::string::npos) return std::string();
        size_t start = at + key.size() + 3;
        if (l[start] == '"') ++start;
        const size_t end = l.find_first_of(",\"}", start);
        return l.substr(start, end - start);
    };
    while (std::getline(in, line)) {
        if (line.find("\"event\":\"packet\"") == std::string::npos) continue;
        out.push_back(field(line, "opcode") + ":" + field(line, "link") + ":" +
                      field(line, "payload"));
    }
    return out;
}

}  // namespace txorb::e2e
