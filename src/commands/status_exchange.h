// The status exchange in the shapes the common skeleton does not cover: a chosen route, and
// no input discard after a failed send (the receive queue is then left for the next send,
// which discards it anyway).
#pragma once

#include <cstdint>

#include "common/error_codes.h"
#include "link/card.h"

namespace txorb::commands {

enum class OnSendFailure : uint8_t { kDiscardInput, kKeepInput };

// Sends on an already looked-up card and reads one status byte; status 0 gives
// TXORB_ERR_RTB_DID_NOT_EXECUTE. Takes the CommandLock itself (it is re-entrant, so a caller may
// already hold it).
ErrorCode StatusExchange(link::Card& card, uint8_t opcode, const void* payload, uint32_t length,
                         link::Route route, OnSendFailure onSendFailure);

// Looks up the active card (none: TXORB_ERR_NO_CARD_ACTIVE) and runs StatusExchange on its
// automatic route.
ErrorCode ActiveStatusExchange(uint8_t opcode, const void* payload, uint32_t length,
                               OnSendFailure onSendFailure);

}  // namespace txorb::commands
