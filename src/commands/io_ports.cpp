#include "commands/io_ports.h"

#include "commands/status_exchange.h"
#include "commands/wire_encoding.h"
#include "link/card.h"
#include "link/command_lock.h"
#include "link/exchange.h"
#include "link/serial_link.h"

namespace txorb::commands {

ErrorCode ReadPort(uint8_t opcode, uint16_t addressOffset, uint16_t* value) {
    *value = 0;
    uint8_t request[2];
    PutU16(request, addressOffset);
    uint8_t reply[2] = {};
    const ErrorCode code =
        link::ExecuteQueryCommand(opcode, request, sizeof request, reply, sizeof reply);
    if (code == err::kOk) *value = GetU16(reply);
    return code;
}

ErrorCode WritePort(uint8_t opcode, uint16_t addressOffset, uint16_t value) {
    uint8_t payload[4];
    PutU16(PutU16(payload, addressOffset), value);
    return ActiveStatusExchange(opcode, payload, sizeof payload, OnSendFailure::kKeepInput);
}

ErrorCode SetMirrorSelector(uint8_t opcode, uint16_t selector) {
    uint8_t payload[2];
    PutU16(payload, selector);
    return link::ExecuteStatusCommand(opcode, payload, sizeof payload);
}

ErrorCode ReadDsrState(uint16_t* state) {
    link::Card* card = link::GetActiveCard();
    if (card == nullptr) return err::kNoCardActive;
    link::CommandLockHold hold;
    link::SerialLink* serial = card->Serial();
    *state = serial != nullptr && serial->IsDsrOn() ? 1 : 0;
    return err::kOk;
}

ErrorCode SetDtrState(uint16_t state) {
    link::Card* card = link::GetActiveCard();
    if (card == nullptr) return err::kNoCardActive;
    link::CommandLockHold hold;
    link::SerialLink* serial = card->Serial();
    if (serial == nullptr) return err::kFunctionCallFailed;
    const bool done = state != 0 ? serial->SetDtr() : serial->ClearDtr();
    return done ? err::kOk : err::kFunctionCallFailed;
}

}  // namespace txorb::commands
