#include "commands/card_queries.h"

#include "commands/wire_encoding.h"
#include "common/wire_opcodes.h"
#include "link/exchange.h"

namespace txorb::commands {

ErrorCode QueryWord(uint8_t opcode, uint16_t* value) {
    uint8_t reply[2];
    const ErrorCode code = link::ExecuteQueryCommand(opcode, nullptr, 0, reply, sizeof reply);
    if (code == err::kOk) *value = GetU16(reply);
    return code;
}

ErrorCode QueryLong(uint8_t opcode, uint32_t* value) {
    uint8_t reply[4];
    const ErrorCode code = link::ExecuteQueryCommand(opcode, nullptr, 0, reply, sizeof reply);
    if (code == err::kOk) *value = GetU32(reply);
    return code;
}

ErrorCode Switch3DMode(bool on) {
    return link::ExecuteStatusCommand(on ? opcode::kSet3DMode : opcode::kReset3DMode, nullptr, 0);
}

}  // namespace txorb::commands
