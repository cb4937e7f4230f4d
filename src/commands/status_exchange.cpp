#include "commands/status_exchange.h"

#include "link/command_lock.h"
#include "link/exchange.h"

namespace txorb::commands {

ErrorCode StatusExchange(link::Card& card, uint8_t opcode, const void* payload, uint32_t length,
                         link::Route route, OnSendFailure onSendFailure) {
    link::CommandLockHold hold;
    if (ErrorCode code = card.SendCommand(opcode, payload, length, route); code != err::kOk) {
        if (onSendFailure == OnSendFailure::kDiscardInput) card.DiscardInput();
        return code;
    }
    uint8_t status = 0;
    if (ErrorCode code = card.ReceiveStatus(&status); code != err::kOk) return code;
    return status == 0 ? err::kNotExecuted : err::kOk;
}

ErrorCode ActiveStatusExchange(uint8_t opcode, const void* payload, uint32_t length,
                               OnSendFailure onSendFailure) {
    link::Card* card = link::GetActiveCard();
    if (card == nullptr) return err::kNoCardActive;
    return StatusExchange(*card, opcode, payload, length, link::Route::kAuto, onSendFailure);
}

}  // namespace txorb::commands
