// The driver used when no module is named: I/O ports through ioperm/inb/outb and PCI
// configuration headers from sysfs. Without the privilege for ioperm every enable fails, and
// the port accessors then refuse to touch a port at all: inb/outb on a port this thread was not
// granted would kill the process with SIGSEGV.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/port_driver_module.h"

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define TXORB_HAVE_PORT_IO 1
#else
#define TXORB_HAVE_PORT_IO 0
#endif

namespace txorb::platform {
namespace {

constexpr uint32_t kPortSpace = 0x10000;
constexpr size_t kPciHeaderBytes = 256;
constexpr size_t kPciMinimumBytes = 64;  // what sysfs gives an unprivileged reader

struct PortRange {
    uint32_t first;
    uint32_t count;
    bool Contains(uint32_t port) const { return port >= first && port - first < count; }
    bool Overlaps(const PortRange& o) const {
        return first < o.first + o.count && o.first < first + count;
    }
};

// Chipset registers no card interface decodes, where a stray write can reset or hang the
// machine (keyboard controller, fast reset at 0x92, PCI configuration mechanism and the reset
// control register at 0xCF9). A misconfigured port base must never reach them.
constexpr PortRange kReservedRanges[] = {{0x0000, 0x0100}, {0x0CF8, 0x0008}};

bool Reserved(const PortRange& r) {
    for (const PortRange& reserved : kReservedRanges) {
        if (r.Overlaps(reserved)) return true;
    }
    return false;
}

// Ranges granted to the process. ioperm() grants per thread, so a thread that finds a port
// here but not in its own list asks for it again before touching it.
constexpr size_t kMaxRanges = 64;
std::mutex g_rangeMutex;
PortRange g_ranges[kMaxRanges];
size_t g_rangeCount = 0;

constexpr size_t kThreadRanges = 16;
thread_local PortRange t_ranges[kThreadRanges];
thread_local size_t t_rangeCount = 0;
thread_local size_t t_nextVictim = 0;

void RememberOnThisThread(const PortRange& r) {
    if (t_rangeCount < kThreadRanges) {
        t_ranges[t_rangeCount++] = r;
    } else {
        t_ranges[t_nextVictim] = r;
        t_nextVictim = (t_nextVictim + 1) % kThreadRanges;
    }
}

#if TXORB_HAVE_PORT_IO
bool GrantedOnThisThread(uint32_t port) {
    for (size_t i = 0; i < t_rangeCount; ++i) {
        if (t_ranges[i].Contains(port)) return true;
    }
    PortRange found{0, 0};
    {
        std::lock_guard<std::mutex> lock(g_rangeMutex);
        for (size_t i = 0; i < g_rangeCount; ++i) {
            if (g_ranges[i].Contains(port)) {
                found = g_ranges[i];
                break;
            }
        }
    }
    if (found.count == 0) return false;
    if (::ioperm(found.first, found.count, 1) != 0) return false;
    RememberOnThisThread(found);
    return true;
}
#endif

int32_t Open(int32_t) { return 0; }
int32_t Start(const char*) { return 0; }
int32_t Stop() { return 0; }

int32_t EnableIoRange(uint32_t port, uint32_t count, uint32_t) {
#if TXORB_HAVE_PORT_IO
    if (count == 0 || port >= kPortSpace || count > kPortSpace - port) return -1;
    const PortRange r{port, count};
    if (Reserved(r)) return -1;
    if (::ioperm(port, count, 1) != 0) return -1;
    {
        std::lock_guard<std::mutex> lock(g_rangeMutex);
        bool known = false;
        for (size_t i = 0; i < g_rangeCount && !known; ++i) {
            known = g_ranges[i].first == port && g_ranges[i].count == count;
        }
        if (!known) {
            if (g_rangeCount == kMaxRanges) return -1;
            g_ranges[g_rangeCount++] = r;
        }
    }
    RememberOnThisThread(r);
    return 0;
#else
    (void)port;
    (void)count;
    return -1;
#endif
}

uint32_t ReadPortByte(uint32_t port) {
#if TXORB_HAVE_PORT_IO
    if (!GrantedOnThisThread(port)) return 0;
    return ::inb(static_cast<unsigned short>(port));
#else
    (void)port;
    return 0;
#endif
}

uint32_t WritePortByte(uint32_t port, uint32_t value) {
#if TXORB_HAVE_PORT_IO
    if (!GrantedOnThisThread(port)) return 0;
    ::outb(static_cast<unsigned char>(value), static_cast<unsigned short>(port));
    return 1;
#else
    (void)port;
    (void)value;
    return 0;
#endif
}

int32_t ReadPciConfig(void* scratch512, int32_t bus, int32_t slot, int32_t) {
    if (scratch512 == nullptr || bus < 0 || bus > 255 || slot < 0 || slot > 255) return -1;
    char path[64];
    std::snprintf(path, sizeof path, "/sys/bus/pci/devices/0000:%02x:%02x.%x/config",
                  static_cast<unsigned>(bus), static_cast<unsigned>(slot % 32),
                  static_cast<unsigned>(slot / 32));
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    uint8_t header[kPciHeaderBytes] = {};
    size_t got = 0;
    while (got < kPciHeaderBytes) {
        const ssize_t n = ::pread(fd, header + got, kPciHeaderBytes - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (got < kPciMinimumBytes) return -1;
    std::memset(scratch512, 0, 512);
    std::memcpy(scratch512, header, kPciHeaderBytes);
    return 0;
}

const PortDriver kBuiltin = {
    TXORB_PORT_DRIVER_ABI_VERSION,
    Open,
    Start,
    Stop,
    EnableIoRange,
    ReadPortByte,
    WritePortByte,
    ReadPciConfig,
};

}  // namespace

const PortDriver* BuiltinPortDriver() { return &kBuiltin; }

}  // namespace txorb::platform
