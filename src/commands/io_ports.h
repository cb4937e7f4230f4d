// The card's I/O ports, the two mirror selectors, and the DTR/DSR lines of the serial
// connection. The line operations send no packet; they act on the active card's COM port, but
// still under the CommandLock so that they never interleave with an exchange on that port.
#pragma once

#include <cstdint>

#include "common/error_codes.h"
#include "common/wire_opcodes.h"

namespace txorb::commands {

// *value is 0 unless the code is TXORB_ERR_OK.
ErrorCode ReadPort(uint8_t opcode, uint16_t addressOffset, uint16_t* value);
// A failed send leaves the receive queue alone.
ErrorCode WritePort(uint8_t opcode, uint16_t addressOffset, uint16_t value);
ErrorCode SetMirrorSelector(uint8_t opcode, uint16_t selector);
// A port that is not open, or whose modem status cannot be read, reads as DSR off.
ErrorCode ReadDsrState(uint16_t* state);
// TXORB_ERR_FUNCTION_CALL_FAILED when the port refuses the line change.
ErrorCode SetDtrState(uint16_t state);

}  // namespace txorb::commands
