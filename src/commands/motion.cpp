#include "commands/motion.h"

#include "commands/status_exchange.h"
#include "commands/wire_encoding.h"
#include "common/wire_opcodes.h"
#include "link/card.h"
#include "link/command_lock.h"
#include "link/exchange.h"
#include "list/vector_capture.h"

namespace txorb::commands {

ErrorCode SendWordParameter(uint8_t opcode, uint16_t value) {
    uint8_t payload[2];
    PutU16(payload, value);
    return link::ExecuteStatusCommand(opcode, payload, sizeof payload);
}

ErrorCode SendDoubleParameter(uint8_t opcode, double value) {
    uint8_t payload[8];
    PutF64(payload, value);
    return link::ExecuteStatusCommand(opcode, payload, sizeof payload);
}

ErrorCode SetSpeed(double jumpSpeed, double markSpeed) {
    uint8_t payload[16];
    PutF64(PutF64(payload, jumpSpeed), markSpeed);
    return link::ExecuteStatusCommand(opcode::kSetSpeed, payload, sizeof payload);
}

ErrorCode SetMaxCounts(int32_t counts) {
    return SendWordParameter(opcode::kSetMaxCounts,
                             static_cast<uint16_t>(static_cast<uint32_t>(counts) & 0xFFFFu));
}

ErrorCode WriteDa(uint16_t value) {
    return SendWordParameter(opcode::kWriteDa, static_cast<uint16_t>((value & 0xFFu) << 8));
}

ErrorCode SetMode(uint16_t mode) {
    list::TheVectorCapture().ApplyMode(mode);
    link::Card* card = link::GetActiveCard();
    if (card == nullptr) return err::kNoCardActive;
    uint8_t payload[2];
    PutU16(payload, mode);
    link::CommandLockHold hold;
    if (ErrorCode code =
            card->SendCommand(opcode::kSetMode, payload, sizeof payload, link::Route::kAuto);
        code != err::kOk) {
        card->DiscardInput();
        return code;
    }
    // A status that cannot be received reads as 0: the card did not confirm the mode.
    uint8_t status = 0;
    (void)card->ReceiveStatus(&status);
    return status == 0 ? err::kCardNotConfigured : err::kOk;
}

ErrorCode SetRotGrad(double rotation) {
    uint8_t payload[8];
    PutF64(payload, rotation);
    return ActiveStatusExchange(opcode::kSetRotGrad, payload, sizeof payload,
                                OnSendFailure::kKeepInput);
}

ErrorCode GetSpeed(uint8_t opcode, double* speed) {
    uint8_t reply[8] = {};
    const ErrorCode code = link::ExecuteQueryCommand(opcode, nullptr, 0, reply, sizeof reply);
    *speed = code == err::kOk ? GetF64(reply) : 0.0;
    return code;
}

}  // namespace txorb::commands
