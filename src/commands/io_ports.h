// The card's I/O ports, the two mirror selectors, and the DTR/DSR lines of the serial
// connection. The line operations send no packet; they act on the active card's COM port, but
// still under the CommandLock so that they never interleave with an exchange on that port.
#pragma once

#include <cstdint>

#include "common/error_codes.h"

namespace txorb::commands {

namespace opcode {
inline constexpr uint8_t kTestWritePort = 53;
inline constexpr uint8_t kTestReadPort = 80;
inline constexpr uint8_t kWritePort = 113;
inline constexpr uint8_t kReadPort = 114;
inline constexpr uint8_t kSetDtrMirrorSelector = 187;
inline constexpr uint8_t kSetDsrMirrorSelector = 204;
}  // namespace opcode

// *value is 0 unless the code is 0.
ErrorCode ReadPort(uint8_t opcode, uint16_t addressOffset, uint16_t* value);
// A failed send leaves the receive queue alone.
ErrorCode WritePort(uint8_t opcode, uint16_t addressOffset, uint16_t value);
ErrorCode SetMirrorSelector(uint8_t opcode, uint16_t selector);
// A port that is not open, or whose modem status cannot be read, reads as DSR off.
ErrorCode ReadDsrState(uint16_t* state);
// 37 when the port refuses the line change.
ErrorCode SetDtrState(uint16_t state);

}  // namespace txorb::commands
