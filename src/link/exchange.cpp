#include "link/exchange.h"

#include <cstring>

#include "common/process_state.h"
#include "link/card.h"
#include "link/card_table.h"
#include "link/command_lock.h"

namespace txorb::link {

Card* GetActiveCard() {
    const int16_t index = ActiveCardIndex();
    if (index >= kFirstSlot && index <= kLastSlot) return CardInSlot(index);
    StoreLastErrorCode(err::kNoCardActive);
    return nullptr;
}

ErrorCode ExecuteStatusCommand(uint8_t opcode, const void* payload, uint32_t length) {
    Card* card = GetActiveCard();
    if (card == nullptr) return err::kNoCardActive;
    CommandLockHold hold;
    if (ErrorCode code = card->SendCommand(opcode, payload, length, Route::kAuto);
        code != err::kOk) {
        card->DiscardInput();
        return code;
    }
    uint8_t status = 0;
    if (ErrorCode code = card->ReceiveStatus(&status); code != err::kOk) return code;
    return status == 0 ? err::kNotExecuted : err::kOk;
}

ErrorCode ExecuteQueryCommand(uint8_t opcode, const void* payload, uint32_t length, uint8_t* reply,
                              uint16_t capacity) {
    if (reply != nullptr && capacity > 0) std::memset(reply, 0, capacity);
    Card* card = GetActiveCard();
    if (card == nullptr) return err::kNoCardActive;
    CommandLockHold hold;
    if (ErrorCode code = card->SendCommand(opcode, payload, length, Route::kAuto);
        code != err::kOk) {
        card->DiscardInput();
        return code;
    }
    return card->ReceiveReply(reply, capacity);
}

}  // namespace txorb::link
