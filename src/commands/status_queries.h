// Status and identity queries, and the switch into and out of 3D mode. The values read are
// the card's; nothing here interprets them.
#pragma once

#include <cstdint>

#include "common/error_codes.h"

namespace txorb::commands {

namespace opcode {
inline constexpr uint8_t kReadStatus = 34;
inline constexpr uint8_t kGetCounts = 42;
inline constexpr uint8_t kGetVersion = 82;
inline constexpr uint8_t kGetKrt1Version = 84;
inline constexpr uint8_t kGetHeadMask = 143;
inline constexpr uint8_t kGetIdentEx = 173;
inline constexpr uint8_t kGetModeMask = 176;
inline constexpr uint8_t kReadIntStartAttempts = 188;
inline constexpr uint8_t kSet3DMode = 218;
inline constexpr uint8_t kReset3DMode = 219;
inline constexpr uint8_t kGetCpuType = 224;
}  // namespace opcode

// A 16-bit answer; *value keeps the caller's preset unless the exchange succeeded.
ErrorCode QueryWord(uint8_t opcode, uint16_t* value);
// A 32-bit answer, same rule.
ErrorCode QueryLong(uint8_t opcode, uint32_t* value);
ErrorCode Switch3DMode(bool on);

}  // namespace txorb::commands
