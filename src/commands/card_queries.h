// Status and identity queries, and the switch into and out of 3D mode. The values read are
// the card's; nothing here interprets them.
#pragma once

#include <cstdint>

#include "common/error_codes.h"
#include "common/wire_opcodes.h"

namespace txorb::commands {

// A 16-bit answer; *value keeps the caller's preset unless the exchange succeeded.
ErrorCode QueryWord(uint8_t opcode, uint16_t* value);
// A 32-bit answer, same rule.
ErrorCode QueryLong(uint8_t opcode, uint32_t* value);
ErrorCode Switch3DMode(bool on);

}  // namespace txorb::commands
