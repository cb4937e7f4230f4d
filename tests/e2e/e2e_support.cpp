#include "e2e_support.h"

#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <sstream>
#include <thread>

namespace txorb::e2e {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStartTimeoutMs = 5000;
constexpr int kStopTimeoutMs = 10000;

std::string ReadLineFrom(int fd, int timeoutMs) {
    std::string line;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        const int left = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
        if (::poll(&p, 1, std::max(left, 1)) <= 0) continue;
        char c = 0;
        if (::read(fd, &c, 1) != 1) break;
        if (c == '\n') return line;
        line.push_back(c);
    }
    return "";
}

int ConnectTo(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

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

std::string SimUnderTest::Control(const std::string& line) const {
    const int fd = ConnectTo(Socket());
    if (fd < 0) return "";
    const std::string text = line + "\n";
    if (::send(fd, text.data(), text.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(text.size())) {
        ::close(fd);
        return "";
    }
    std::string reply = ReadLineFrom(fd, 3000);
    ::close(fd);
    return reply;
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
