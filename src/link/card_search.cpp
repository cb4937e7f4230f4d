#include "link/card_search.h"

#include <new>

#include "common/wire_opcodes.h"
#include "link/card_table.h"
#include "link/parallel_link.h"
#include "link/port_driver.h"
#include "link/serial_link.h"
#include "platform/clock.h"

namespace txorb::link {
namespace {

constexpr int32_t kBusCount = 8;
constexpr int32_t kDeviceCount = 32;
constexpr int32_t kInterfaceFunction = 1;
constexpr uint16_t kVendorId = 0x1415;
constexpr uint16_t kDeviceId = 0x9513;
constexpr uint32_t kNoPort = 0xFFFF;
constexpr uint32_t kFirstCom = 1;
constexpr uint32_t kLastCom = 20;
constexpr uint32_t kProbeTimeoutMs = 2000;
constexpr uint32_t kAnswerWindowMs = 100;

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// An I/O base address register gives its base with the type bit cleared; a memory register is
// of no use to the port handshake.
uint32_t IoBase(uint32_t bar) { return (bar & 1u) != 0 ? (bar & ~1u) : kNoPort; }

// The status request goes out over the card's parallel port; the COM port on which the RTB
// answers within the window is the card's. 0 when none answers.
uint32_t FindAnsweringComPort(ParallelLink& parallel) {
    for (uint32_t n = kFirstCom; n <= kLastCom; ++n) {
        if (!ComPortNotInUse(n)) continue;
        SerialLink* serial = nullptr;
        try {
            serial = new SerialLink(n, kProbeTimeoutMs);
        } catch (const std::bad_alloc&) {
            continue;  // no memory for this probe: the next port may still be tried
        }
        uint32_t found = 0;
        if (serial->IsOpen()) {
            serial->DiscardInput();
            if (parallel.SendPacket(opcode::kReadStatus, nullptr, 0)) {
                platform::SleepMs(kAnswerWindowMs);
                if (serial->ReadByte() >= 0) {
                    found = n;
                    serial->DiscardInput();
                }
            }
        }
        delete serial;
        if (found > 0) return found;
    }
    return 0;
}

}  // namespace

ErrorCode DiscoverCard(uint32_t* dataBase, uint32_t* fifoBase, uint32_t* comNumber) {
    uint32_t data = kNoPort;
    uint32_t fifo = kNoPort;
    uint32_t com = 0;
    uint8_t header[256];
    for (int32_t bus = 0; bus < kBusCount && com == 0; ++bus) {
        for (int32_t device = 0; device < kDeviceCount && com == 0; ++device) {
            if (!ReadPciConfig(bus, device, kInterfaceFunction, header, sizeof header)) continue;
            if (Le16(header) != kVendorId || Le16(header + 2) != kDeviceId) continue;
            data = IoBase(Le32(header + 16));
            fifo = IoBase(Le32(header + 20));
            if (data == kNoPort || fifo == kNoPort || !PortsNotInUse(data, fifo)) continue;
            ParallelLink parallel(data, fifo);
            com = FindAnsweringComPort(parallel);
        }
    }
    if (com == 0) {
        data = kNoPort;
        fifo = kNoPort;
    }
    if (dataBase != nullptr) *dataBase = data;
    if (fifoBase != nullptr) *fifoBase = fifo;
    if (comNumber != nullptr) *comNumber = com;
    return com > 0 ? err::kOk : err::kCouldNotPing;
}

bool PortsNotInUse(uint32_t dataBase, uint32_t fifoBase) {
    const LinkDescriptor* table = DescriptorTable();
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        if (table[slot].parallelPort == dataBase || table[slot].fifoPort == fifoBase) return false;
    }
    return true;
}

bool ComPortNotInUse(uint32_t comNumber) {
    const LinkDescriptor* table = DescriptorTable();
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        if (table[slot].serialPort == comNumber) return false;
    }
    return true;
}

}  // namespace txorb::link
