#include "link/port_driver.h"

#include <atomic>
#include <cstring>

#include "link/command_lock.h"
#include "platform/port_driver_module.h"

namespace txorb::link {
namespace {

// What start() is handed; a module may use it to tell this library from other callers.
constexpr char kDriverKey[] = "TXORB-PORT-DRIVER-1";
constexpr int32_t kPciConfigMode = 5;
constexpr size_t kPciHeaderBytes = 256;
constexpr size_t kPciScratchBytes = 512;

std::atomic<bool> g_started{false};

}  // namespace

bool PortDriverStart() {
    if (!CommandLockCreated()) CreateCommandLock();
    if (g_started.load(std::memory_order_acquire)) return true;
    const platform::PortDriver* driver = platform::PortDriverTable();
    if (driver == nullptr) return false;
    driver->open(0);
    const bool started = driver->start(kDriverKey) == 0;
    g_started.store(started, std::memory_order_release);
    return started;
}

bool PortDriverStop() {
    bool result = true;
    if (g_started.exchange(false, std::memory_order_acq_rel)) {
        const platform::PortDriver* driver = platform::PortDriverTable();
        result = driver != nullptr && driver->stop() == 0;
    }
    if (CommandLockCreated()) DeleteCommandLock();
    return result;
}

bool EnableIoRange(uint32_t port, uint32_t count, uint32_t widthBits) {
    if (!g_started.load(std::memory_order_acquire)) PortDriverStart();
    uint32_t flag;
    switch (widthBits) {
        case 8: flag = TXORB_IO_WIDTH_8; break;
        case 16: flag = TXORB_IO_WIDTH_16; break;
        case 32: flag = TXORB_IO_WIDTH_32; break;
        default: return false;
    }
    const platform::PortDriver* driver = platform::PortDriverTable();
    return driver != nullptr && driver->enable_io_range(port, count, flag) == 0;
}

uint32_t ReadPortByte(uint32_t port) {
    const platform::PortDriver* driver = platform::PortDriverTable();
    return driver != nullptr ? driver->read_port_byte(port) : 0;
}

uint32_t WritePortByte(uint32_t port, uint32_t value) {
    const platform::PortDriver* driver = platform::PortDriverTable();
    return driver != nullptr ? driver->write_port_byte(port, value) : 0;
}

bool ReadPciConfig(int32_t bus, int32_t device, int32_t function, void* buffer, size_t size) {
    if (device < 0 || function < 0 || size < kPciHeaderBytes || buffer == nullptr) return false;
    const platform::PortDriver* driver = platform::PortDriverTable();
    if (driver == nullptr) return false;
    alignas(8) uint8_t scratch[kPciScratchBytes] = {};
    // Unsigned arithmetic: a huge function number wraps instead of overflowing.
    const auto slot =
        static_cast<int32_t>(static_cast<uint32_t>(device) + 32u * static_cast<uint32_t>(function));
    if (driver->read_pci_config(scratch, bus, slot, kPciConfigMode) != 0) return false;
    std::memcpy(buffer, scratch, kPciHeaderBytes);
    return true;
}

}  // namespace txorb::link
