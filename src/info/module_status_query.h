// What the library tells about itself: the status word of the active slot and the numbered
// queries on slot descriptors, PCI configuration space and serial ports.
#pragma once

#include <cstdint>

namespace txorb::info {

inline constexpr int32_t kQueryNoop1 = 230;
inline constexpr int32_t kQueryNoop2 = 231;
inline constexpr int32_t kQueryParallelPorts = 232;
inline constexpr int32_t kQuerySerialPort = 233;
inline constexpr int32_t kQueryPciConfig = 237;
inline constexpr int32_t kQueryDescriptorTable = 239;
inline constexpr int32_t kQueryPingSerialPort = 242;

// 1 with no active card; else 1 | slot << 1 | COM number << 6 | 0x200 with a parallel link.
// The fields overlap on purpose: bit 3 of the COM number lands on the parallel-link bit.
uint16_t SystemStatusWord();

// Unknown queries give 0; slot indices outside 0..10 are refused (0) and the descriptor copy is
// clamped to the table, so no query reads past it. Null pointers are never written through.
int32_t StatusQuery(int32_t query, int32_t iparam, intptr_t lparam, int32_t* xparam,
                    int32_t* zparam);

}  // namespace txorb::info
