// Timing and motion parameters: each one request and one reply, exchanged at once. Nothing is
// kept or converted here; only the mode word also switches the vector capture.
#pragma once

#include <cstdint>

#include "common/error_codes.h"

namespace txorb::commands {

namespace opcode {
inline constexpr uint8_t kSetSpeed = 35;
inline constexpr uint8_t kWriteDa = 40;
inline constexpr uint8_t kSetAutoDelay = 54;
inline constexpr uint8_t kSetJumpDelay = 55;
inline constexpr uint8_t kSetMarkDelay = 56;
inline constexpr uint8_t kSetPolyDelay = 57;
inline constexpr uint8_t kSetLaserOffDelay = 58;
inline constexpr uint8_t kSetLaserOnDelay = 59;
inline constexpr uint8_t kSetT1 = 60;
inline constexpr uint8_t kSetT2 = 61;
inline constexpr uint8_t kSetT3 = 62;
inline constexpr uint8_t kSetManualDelay = 63;
inline constexpr uint8_t kSetMaxCounts = 73;
inline constexpr uint8_t kSetMode = 74;
inline constexpr uint8_t kSetYagParameter = 77;
inline constexpr uint8_t kSetGainX = 88;
inline constexpr uint8_t kSetGainY = 89;
inline constexpr uint8_t kSetOffsetX = 90;
inline constexpr uint8_t kSetOffsetY = 91;
inline constexpr uint8_t kSetJumpSpeed = 92;
inline constexpr uint8_t kSetMarkSpeed = 93;
inline constexpr uint8_t kGetJumpSpeed = 118;
inline constexpr uint8_t kGetMarkSpeed = 119;
inline constexpr uint8_t kSetDigGainEx = 138;
inline constexpr uint8_t kSetDigGain = 164;
inline constexpr uint8_t kSetRotGrad = 165;
inline constexpr uint8_t kSetMarkShift = 167;
}  // namespace opcode

// A 16-bit word as the whole payload, answered by a status byte.
ErrorCode SendWordParameter(uint8_t opcode, uint16_t value);
// A double's 8-byte image as the whole payload, answered by a status byte.
ErrorCode SendDoubleParameter(uint8_t opcode, double value);
ErrorCode SetSpeed(double jumpSpeed, double markSpeed);
// Only the low 16 bits reach the card.
ErrorCode SetMaxCounts(int32_t counts);
// The 8-bit value travels in the upper byte of the word.
ErrorCode WriteDa(uint16_t value);
// Switches the vector capture first (even with no card); any failure to confirm gives 28.
ErrorCode SetMode(uint16_t mode);
// Like SendDoubleParameter, but a failed send leaves the receive queue alone.
ErrorCode SetRotGrad(double rotation);
// Reads one of the two speeds (opcode kGetJumpSpeed or kGetMarkSpeed); 0.0 on any failure.
ErrorCode GetSpeed(uint8_t opcode, double* speed);

}  // namespace txorb::commands
