// Timing and motion parameters: each one request and one reply, exchanged at once. Nothing is
// kept or converted here; only the mode word also switches the vector capture.
#pragma once

#include <cstdint>

#include "common/error_codes.h"
#include "common/wire_opcodes.h"

namespace txorb::commands {

// A 16-bit word as the whole payload, answered by a status byte.
ErrorCode SendWordParameter(uint8_t opcode, uint16_t value);
// A double's 8-byte image as the whole payload, answered by a status byte.
ErrorCode SendDoubleParameter(uint8_t opcode, double value);
ErrorCode SetSpeed(double jumpSpeed, double markSpeed);
// Only the low 16 bits reach the card.
ErrorCode SetMaxCounts(int32_t counts);
// The 8-bit value travels in the upper byte of the word.
ErrorCode WriteDa(uint16_t value);
// Switches the vector capture first (even with no card); any failure to confirm gives
// TXORB_ERR_CARD_NOT_CONFIGURED_FOR_FUNCTION.
ErrorCode SetMode(uint16_t mode);
// Like SendDoubleParameter, but a failed send leaves the receive queue alone.
ErrorCode SetRotGrad(double rotation);
// Reads one of the two speeds (opcode kGetJumpSpeed or kGetMarkSpeed); 0.0 on any failure.
ErrorCode GetSpeed(uint8_t opcode, double* speed);

}  // namespace txorb::commands
