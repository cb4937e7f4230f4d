// Bitmap lines: a start point, an end point and one delay per pixel, sent at once as a packet
// of their own, after every list record still pending.
#pragma once

#include <cstdint>

#include "common/error_codes.h"
#include "common/wire_opcodes.h"

namespace txorb::commands {

// The payload length travels as a 16-bit count: 8 + 2 * 32,763 = 65,534.
inline constexpr uint16_t kMaxBitmapDelays = 32763;
inline constexpr uint32_t kBitmapHeaderBytes = 8;

uint8_t BitmapOpcode(uint16_t algorithm);

// TXORB_ERR_NO_CARD_ACTIVE without a card, TXORB_ERR_INVALID_VECTOR_LIST for no delays (count 0
// or a null array), TXORB_ERR_PARAMETER_OUT_OF_BOUNDS above 32,763 delays; then
// the pending list records' transfer code, or the line's own exchange code.
ErrorCode PutBitmapLine(int16_t begX, int16_t begY, int16_t endX, int16_t endY,
                        const uint16_t* delays, uint16_t count, uint16_t algorithm);

}  // namespace txorb::commands
