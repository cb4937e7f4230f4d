#include "commands/execution.h"

#include "commands/wire_encoding.h"
#include "common/wire_opcodes.h"
#include "link/card.h"
#include "link/command_lock.h"
#include "link/exchange.h"
#include "link/serial_link.h"
#include "list/list_buffer.h"

namespace txorb::commands {
namespace {

ErrorCode ListIndexCommand(uint8_t opcode, uint16_t listIndex) {
    uint8_t payload[2];
    PutU16(payload, listIndex);
    return link::ExecuteStatusCommand(opcode, payload, sizeof payload);
}

}  // namespace

ErrorCode ExecuteList(uint16_t listIndex) {
    return ListIndexCommand(opcode::kExecuteList, listIndex);
}

ErrorCode SetStartList(uint16_t listIndex) {
    return ListIndexCommand(opcode::kSetStartList, listIndex);
}

ErrorCode SimpleCommand(uint8_t opcode) { return link::ExecuteStatusCommand(opcode, nullptr, 0); }

ErrorCode StopExecution(bool noClear) {
    // Records the application already appended are part of what it asked the card to run:
    // they go out first, and a failure there does not hold the stop back.
    (void)list::FlushListBuffer();
    link::Card* card = link::GetActiveCard();
    if (card == nullptr) return err::kNoCardActive;
    link::CommandLockHold hold;
    if (link::SerialLink* serial = card->Serial(); serial != nullptr) serial->PurgeTransmit();
    list::ClearListBuffer();
    const uint8_t opcode = noClear ? opcode::kStopExecutionNoClear : opcode::kStopExecution;
    if (card->SendCommand(opcode, nullptr, 0, link::Route::kAuto) != err::kOk) {
        card->DiscardInput();
        return err::kCouldNotSend;
    }
    uint8_t status = 0;
    if (ErrorCode code = card->ReceiveStatus(&status); code != err::kOk) return code;
    return status == 0 ? err::kNotExecuted : err::kOk;
}

}  // namespace txorb::commands
