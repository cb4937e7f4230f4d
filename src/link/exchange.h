// The lookup of the active card and the two exchange skeletons every card command follows.
#pragma once

#include <cstdint>

#include "common/error_codes.h"

namespace txorb::link {

class Card;

// The active card, or null (and TXORB_ERR_NO_CARD_ACTIVE stored as the last error when no valid
// slot is active).
Card* GetActiveCard();

// Send, then read a one-byte status; status 0 gives TXORB_ERR_RTB_DID_NOT_EXECUTE.
ErrorCode ExecuteStatusCommand(uint8_t opcode, const void* payload, uint32_t length);
// Send, then read up to capacity bytes of data; on failure the reply holds zeros.
ErrorCode ExecuteQueryCommand(uint8_t opcode, const void* payload, uint32_t length, uint8_t* reply,
                              uint16_t capacity);

}  // namespace txorb::link
