// The simulator from the outside, without the library: a raw pty client, signals and the
// control socket.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>

#include "e2e_support.h"
#include "txorb_build_version.h"

namespace txorb::e2e {
namespace {

int OpenRaw(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (fd >= 0 && ::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    return fd;
}

std::vector<uint8_t> ReadBytes(int fd, size_t count, int timeoutMs) {
    std::vector<uint8_t> out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < count && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        uint8_t buf[256];
        const ssize_t n = ::read(fd, buf, std::min(sizeof buf, count - out.size()));
        if (n > 0) out.insert(out.end(), buf, buf + n);
    }
    return out;
}

void Send(int fd, const std::vector<uint8_t>& bytes) {
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

TEST(SimLine, LineNoiseAndHangUpsDoNotStopIt) {
    SimUnderTest sim;
    ASSERT_TRUE(sim.Started());
    std::mt19937 random(7);
    for (int round = 0; round < 3; ++round) {
        const int fd = OpenRaw(sim.Link());
        ASSERT_GE(fd, 0);
        std::vector<uint8_t> noise(4000);
        for (auto& b : noise) b = static_cast<uint8_t>(random());
        Send(fd, noise);
        ::close(fd);  // hangs up with a packet half received
    }
    ::usleep(700 * 1000);  // a half packet is dropped after 500 ms of silence
    const int fd = OpenRaw(sim.Link());
    ASSERT_GE(fd, 0);
    tcflush(fd, TCIFLUSH);
    Send(fd, {82, 0, 0});                                                         // Get_Version
    EXPECT_EQ(ReadBytes(fd, 4, 2000), (std::vector<uint8_t>{2, 0, 0x00, 0x02}));  // 512
    ::close(fd);
    EXPECT_EQ(sim.Control("hello"), "ok txorb-sim 1");
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(SimLine, ControlSocketSurvivesJunkAndAnswersEveryCommand) {
    SimUnderTest sim;
    ASSERT_TRUE(sim.Started());
    // A PCI answer is "ok" and the 256-byte header in hex; the rows give its first 24 bytes:
    // vendor 0x1415, device 0x9513 (function 1, the parallel interface with its two I/O BARs
    // 0xD001 and 0xD011) or 0x9501 (function 0, the serial one), command, revision, class.
    const struct {
        const char* line;
        std::string reply;
        size_t length;  // of the whole answer
    } rows[] = {
        {"bogus", "error unknown command 'bogus'", 0},
        {"fault nonsense", "error unknown fault kind 'nonsense'", 0},
        {"fault delay=20@93,94#2", "ok", 0},
        {"faults", "ok delay=20@93,94#2(2 left)", 0},
        {"faults clear", "ok none", 0},
        {"status", "ok 512", 0},  // 0x0200: laser enabled, nothing else
        // Bus 0, slot = device 5 + 32 * function.
        {"pci 0 37",
         "ok 151413950100000001000107000080000"
         "1d0000011d00000",
         3 + 512},
        {"pci 0 5",
         "ok 151401950100000001000007000080000"
         "1c0000000000000",
         3 + 512},
        {"pci 0 38", "none", 0},
        {"pci 1 37", "none", 0},
        {"pci 0 69", "none", 0},  // function 2
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        const std::string got = sim.Control(row.line);
        EXPECT_EQ(got.substr(0, row.length != 0 ? row.reply.size() : std::string::npos), row.reply);
        if (row.length != 0) {
            EXPECT_EQ(got.size(), row.length);
        }
    }
}

TEST(SimLine, RepliesLeaveAtTheLineRate) {
    SimUnderTest sim({"--baud", "1200"});
    ASSERT_TRUE(sim.Started());
    const int fd = OpenRaw(sim.Link());
    ASSERT_GE(fd, 0);
    const auto start = std::chrono::steady_clock::now();
    Send(fd, {221, 4, 0, 1, 0, 0, 0});  // Get_3D_Parameters for head 1: 66 bytes back
    const std::vector<uint8_t> reply = ReadBytes(fd, 66, 3000);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    ASSERT_EQ(reply.size(), 66u);
    EXPECT_EQ(reply[0], 64);
    EXPECT_EQ(reply[62], 1);  // the head number echoed at offset 60
    EXPECT_GE(ms, 540);       // 66 bytes of 10 bits at 1200 baud: 550 ms
    ::close(fd);
}

TEST(SimLine, VersionNamesTheCardAndTheLibraryRelease) {
    FILE* out = ::popen((std::string(TXORB_SIM_PATH) + " --version").c_str(), "r");
    ASSERT_NE(out, nullptr);
    std::string text;
    char buf[256];
    while (std::fgets(buf, sizeof buf, out) != nullptr) text += buf;
    EXPECT_EQ(::pclose(out), 0);
    EXPECT_EQ(text, "txorb-sim " TXORB_RELEASE_VERSION "\nlibtxorb " TXORB_RELEASE_VERSION "\n");
}

TEST(SimLine, Usr1DrawsThePicturesAndTermExitsCleanly) {
    SimUnderTest sim;
    ASSERT_TRUE(sim.Started());
    sim.Signal(SIGUSR1);
    for (int i = 0; i < 200 && !std::filesystem::exists(sim.Pictures() + ".png"); ++i) {
        ::usleep(10 * 1000);
    }
    EXPECT_TRUE(std::filesystem::exists(sim.Pictures() + ".svg"));
    EXPECT_TRUE(std::filesystem::exists(sim.Pictures() + ".png"));
    EXPECT_TRUE(std::filesystem::is_symlink(sim.Link()));
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(sim.Link()));
    EXPECT_NE(sim.ReadLog().find("\"event\":\"exit\""), std::string::npos);
}

}  // namespace
}  // namespace txorb::e2e
