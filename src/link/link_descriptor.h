// Which links a card slot uses. The table of these records is handed out byte for byte, so
// the layout is fixed: 20 bytes, little-endian, no padding.
#pragma once

#include <cstdint>

namespace txorb::link {

struct LinkDescriptor {
    uint32_t parallelPort = 0xFFFF;  // 65535 = none
    uint32_t fifoPort = 0xFFFF;      // 65535 = none
    uint8_t parallelFromConfig = 0;
    uint8_t reserved1[3] = {0, 0, 0};
    uint32_t serialPort = 0;  // 0 = none
    uint8_t serialFromConfig = 0;
    uint8_t inUse = 0;
    uint8_t reserved2[2] = {0, 0};
};
static_assert(sizeof(LinkDescriptor) == 20, "the descriptor table layout is part of the ABI");

inline LinkDescriptor MakeDescriptor(uint32_t parallelPort, uint32_t fifoPort,
                                     uint8_t parallelFromConfig, uint32_t serialPort,
                                     uint8_t serialFromConfig, uint8_t inUse) {
    LinkDescriptor d;
    d.parallelPort = parallelPort;
    d.fifoPort = fifoPort;
    d.parallelFromConfig = parallelFromConfig;
    d.serialPort = serialPort;
    d.serialFromConfig = serialFromConfig;
    d.inUse = inUse;
    return d;
}

}  // namespace txorb::link
