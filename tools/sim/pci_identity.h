// The card's interface as the PCI bus shows it: function 1 of one device, vendor 0x1415,
// device 0x9513, with two I/O base address registers (the parallel data port block and the
// FIFO block). Function 0 of the same device is the card's serial function.
#pragma once

#include <array>
#include <cstdint>

namespace txorb::sim {

inline constexpr uint16_t kPciVendor = 0x1415;
inline constexpr uint16_t kPciDevice = 0x9513;
inline constexpr uint16_t kPciSerialDevice = 0x9501;

struct PciPlacement {
    int bus = 0;
    int device = 5;  // -1: nothing on the bus
    uint32_t parallelBase = 0xD000;
    uint32_t fifoBase = 0xD010;
};

// The 256-byte configuration header at (bus, slot = device + 32 * function); false where the
// bus has nothing.
bool PciConfigHeader(const PciPlacement& placement, int bus, int slot,
                     std::array<uint8_t, 256>* header);

}  // namespace txorb::sim
