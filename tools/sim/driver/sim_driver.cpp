// libtxorb_simdriver.so: a port-driver module that puts the running txorb-sim on the host's
// PCI bus and behind its parallel port. It talks to the simulator over its Unix socket
// ($TXORB_SIM_SOCKET, else /tmp/txorb-sim.sock), connecting on first need and again after
// the simulator went away.
//
// The parallel byte handshake is played here, so that a byte costs one message, not four
// round trips: the status register (base + 1) reads 0x80 (ready) while the strobe in the
// control register (base + 2) is low and 0x00 (busy) while it is high; the rising edge of the
// strobe takes the data register (base + 0) and sends it to the simulator's packet parser.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "txorb/port_driver.h"

namespace {

constexpr int kReplyTimeoutMs = 2000;

std::mutex g_mutex;
int g_fd = -1;
std::vector<uint32_t> g_bases;       // blocks the host enabled
std::map<uint32_t, uint8_t> g_regs;  // last value written to each port

void Disconnect() {
    if (g_fd >= 0) ::close(g_fd);
    g_fd = -1;
}

bool SendAll(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(g_fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            Disconnect();
            return false;
        }
    }
    return true;
}

bool ReadLine(std::string* line) {
    line->clear();
    for (;;) {
        pollfd p{g_fd, POLLIN, 0};
        const int r = ::poll(&p, 1, kReplyTimeoutMs);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            Disconnect();
            return false;
        }
        char c = 0;
        const ssize_t n = ::recv(g_fd, &c, 1, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Disconnect();
            return false;
        }
        if (c == '\n') return true;
        line->push_back(c);
    }
}

bool Connect() {
    if (g_fd >= 0) return true;
    const char* env = std::getenv("TXORB_SIM_SOCKET");
    const std::string path = env != nullptr && *env != '\0' ? env : "/tmp/txorb-sim.sock";
    sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path) return false;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    g_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (g_fd < 0) return false;
    if (::connect(g_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        Disconnect();
        return false;
    }
    std::string reply;
    if (!SendAll("hello driver\n") || !ReadLine(&reply) || reply.rfind("ok", 0) != 0) {
        Disconnect();
        return false;
    }
    return true;
}

bool IsControlPort(uint32_t port, uint32_t* base) {
    for (uint32_t b : g_bases) {
        if (port == b + 2) {
            *base = b;
            return true;
        }
    }
    return false;
}

int32_t DriverOpen(int32_t) { return 0; }

int32_t DriverStart(const char*) {
    std::lock_guard<std::mutex> hold(g_mutex);
    return Connect() ? 0 : -1;
}

int32_t DriverStop() {
    std::lock_guard<std::mutex> hold(g_mutex);
    Disconnect();
    g_bases.clear();
    g_regs.clear();
    return 0;
}

int32_t DriverEnableIoRange(uint32_t port, uint32_t, uint32_t) {
    std::lock_guard<std::mutex> hold(g_mutex);
    if (!Connect()) return -1;
    for (uint32_t b : g_bases) {
        if (b == port) return 0;
    }
    g_bases.push_back(port);
    return 0;
}

uint32_t DriverReadPortByte(uint32_t port) {
    std::lock_guard<std::mutex> hold(g_mutex);
    uint32_t base = 0;
    if (port >= 1 && IsControlPort(port + 1, &base)) {
        if (g_fd < 0) return 0x00;  // nobody there: never ready
        return (g_regs[base + 2] & 1) != 0 ? 0x00 : 0x80;
    }
    auto it = g_regs.find(port);
    return it != g_regs.end() ? it->second : 0xFF;
}

uint32_t DriverWritePortByte(uint32_t port, uint32_t value) {
    std::lock_guard<std::mutex> hold(g_mutex);
    const uint8_t byte = static_cast<uint8_t>(value);
    uint32_t base = 0;
    if (IsControlPort(port, &base)) {
        const bool rising = (byte & 1) != 0 && (g_regs[port] & 1) == 0;
        if (rising && g_fd >= 0) {
            char line[16];
            std::snprintf(line, sizeof line, "par %02x\n", g_regs[base]);
            SendAll(line);
        }
    }
    g_regs[port] = byte;
    return 0;
}

int32_t DriverReadPciConfig(void* scratch512, int32_t bus, int32_t slot, int32_t) {
    std::lock_guard<std::mutex> hold(g_mutex);
    if (scratch512 == nullptr || !Connect()) return -1;
    char request[48];
    std::snprintf(request, sizeof request, "pci %d %d\n", static_cast<int>(bus),
                  static_cast<int>(slot));
    std::string reply;
    if (!SendAll(request) || !ReadLine(&reply)) return -1;
    if (reply.rfind("ok ", 0) != 0 || reply.size() != 3 + 512) return 1;
    auto* out = static_cast<uint8_t*>(scratch512);
    std::memset(out, 0, 512);
    for (size_t i = 0; i < 256; ++i) {
        unsigned v = 0;
        if (std::sscanf(reply.c_str() + 3 + 2 * i, "%2x", &v) != 1) return 1;
        out[i] = static_cast<uint8_t>(v);
    }
    return 0;
}

const struct txorb_port_driver kDriver = {
    TXORB_PORT_DRIVER_ABI_VERSION, DriverOpen,         DriverStart,         DriverStop,
    DriverEnableIoRange,           DriverReadPortByte, DriverWritePortByte, DriverReadPciConfig,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const struct txorb_port_driver*
txorb_port_driver() {
    return &kDriver;
}
