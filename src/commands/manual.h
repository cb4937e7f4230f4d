// Manual operation of the scan head: the manual-mode switches, the manual move vector, and
// moving to or reading back a position.
#pragma once

#include <cstdint>

#include "common/error_codes.h"
#include "common/wire_opcodes.h"

namespace txorb::commands {

ErrorCode ManualOperation(bool on);
ErrorCode LaserManually(bool on);
ErrorCode ManualMove(bool on);
// The card's manual-move byte as it answered it, 0 when the exchange failed.
ErrorCode GetManualMove(uint8_t* state);
// The card may answer a new vector with more than its status; whatever is left is dropped
// before the lock is released, on every path that reached the send.
ErrorCode SetDxDyManual(int16_t dx, int16_t dy);
ErrorCode GotoXY(int16_t x, int16_t y);
// Sends only: the card's answer, if any, is dropped by the next send's input discard.
ErrorCode GotoXYEx(int16_t x, int16_t y);
// One signed coordinate; *value is 0 before the exchange and after any failure.
ErrorCode QueryCoordinate(uint8_t opcode, int16_t* value);
// X, then Y only when X succeeded; TXORB_ERR_INVALID_POINTER for a null pointer. Y keeps its value
// when not asked.
ErrorCode GetXYPos(int16_t* x, int16_t* y);

}  // namespace txorb::commands
