// Bringing a card slot up (choice of links, the Card, the start-up handshake) and taking it down
// (the stop sequence), and switching the active slot.
#pragma once

#include <cstdint>

#include "common/error_codes.h"
#include "link/link_descriptor.h"

namespace txorb::link {

inline constexpr uint32_t kDefaultCommTimeoutMs = 2000;
inline constexpr uint32_t kRemovalSettleMs = 500;

// The links of the slot's card: found by the bus scan and ping when "ping_allowed" says so, else
// from the card's configuration. TXORB_ERR_COULD_NOT_PING_SERIAL_PORT, _SERIAL_PORT_KEY_NOT_FOUND
// or _INVALID_SERIAL_PORT_NUMBER when there are none; *descriptor is then untouched.
ErrorCode ChooseCardLinks(uint16_t slot, LinkDescriptor* descriptor);
// Bringing a slot up takes three steps, in this order: the slot number (1..10, else
// TXORB_ERR_INVALID_CARD_NUMBER); a slot that already holds a card is only made active;
// otherwise ChooseCardLinks, then BringUpCard. Whoever runs them may act between the last two,
// once the links are known.
bool IsSlotNumber(uint16_t slot);
// True when the slot holds a card; it is then the active one.
bool ActivateInitialisedSlot(uint16_t slot);
// Builds the slot's Card on these links with the configured reply timeout and capture file,
// exchanges the start-up handshake and makes the slot active: TXORB_ERR_OK, or
// TXORB_ERR_CARD_CONNECTION_CTOR_FAILED, _CARD_INIT_SEQUENCE_FAILED, or the handshake's
// _RTB_DID_NOT_EXECUTE to _RESPONSE_TIMEOUT and _COM_PORT_NOT_OPEN (the slot is then left empty).
ErrorCode BringUpCard(uint16_t slot, const LinkDescriptor& descriptor);
// Whether removal gives the RTB its settling time before the port closes. A process that is
// going away skips it: nothing it does afterwards could meet the card.
enum class RemovalWait : uint8_t { kSettle, kSkip };

// The stop sequence's code (TXORB_ERR_OK when all went well); the slot ends empty whatever the card
// says, and no card is active afterwards. Slots outside 1..10 give TXORB_ERR_OK and change nothing.
ErrorCode RemoveCard(uint16_t slot, RemovalWait wait = RemovalWait::kSettle);
// True when the slot holds a card (it is then active); else the previous slot stays active.
bool SetActiveCard(uint16_t slot);

}  // namespace txorb::link
