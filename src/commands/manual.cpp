#include "commands/manual.h"

#include "commands/wire_encoding.h"
#include "common/wire_opcodes.h"
#include "link/card.h"
#include "link/command_lock.h"
#include "link/exchange.h"

namespace txorb::commands {
namespace {

ErrorCode Switch(bool on, uint8_t onOpcode, uint8_t offOpcode) {
    return link::ExecuteStatusCommand(on ? onOpcode : offOpcode, nullptr, 0);
}

void PutXY(uint8_t* payload, int16_t x, int16_t y) { PutS16(PutS16(payload, x), y); }

}  // namespace

ErrorCode ManualOperation(bool on) {
    return Switch(on, opcode::kStartManualOperation, opcode::kStopManualOperation);
}
ErrorCode LaserManually(bool on) {
    return Switch(on, opcode::kStartLaserManually, opcode::kStopLaserManually);
}
ErrorCode ManualMove(bool on) {
    return Switch(on, opcode::kStartManualMove, opcode::kStopManualMove);
}

ErrorCode GetManualMove(uint8_t* state) {
    *state = 0;
    return link::ExecuteQueryCommand(opcode::kGetManualMove, nullptr, 0, state, 1);
}

ErrorCode SetDxDyManual(int16_t dx, int16_t dy) {
    link::Card* card = link::GetActiveCard();
    if (card == nullptr) return err::kNoCardActive;
    uint8_t payload[4];
    PutXY(payload, dx, dy);
    link::CommandLockHold hold;
    ErrorCode code =
        card->SendCommand(opcode::kSetDxDyManual, payload, sizeof payload, link::Route::kAuto);
    if (code == err::kOk) {
        uint8_t status = 0;
        code = card->ReceiveStatus(&status);
        if (code == err::kOk && status == 0) code = err::kNotExecuted;
    }
    card->DiscardInput();
    return code;
}

ErrorCode GotoXY(int16_t x, int16_t y) {
    uint8_t payload[4];
    PutXY(payload, x, y);
    return link::ExecuteStatusCommand(opcode::kGotoXY, payload, sizeof payload);
}

ErrorCode GotoXYEx(int16_t x, int16_t y) {
    link::Card* card = link::GetActiveCard();
    if (card == nullptr) return err::kNoCardActive;
    uint8_t payload[4];
    PutXY(payload, x, y);
    link::CommandLockHold hold;
    return card->SendCommand(opcode::kGotoXYEx, payload, sizeof payload, link::Route::kAuto);
}

ErrorCode QueryCoordinate(uint8_t opcode, int16_t* value) {
    *value = 0;
    uint8_t reply[2] = {0, 0};
    const ErrorCode code = link::ExecuteQueryCommand(opcode, nullptr, 0, reply, sizeof reply);
    if (code == err::kOk) *value = static_cast<int16_t>(GetU16(reply));
    return code;
}

ErrorCode GetXYPos(int16_t* x, int16_t* y) {
    if (x == nullptr || y == nullptr) return err::kInvalidPointer;
    const ErrorCode code = QueryCoordinate(opcode::kGetXPos, x);
    if (code != err::kOk) return code;
    return QueryCoordinate(opcode::kGetYPos, y);
}

}  // namespace txorb::commands
