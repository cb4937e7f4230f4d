#include "commands/bitmap.h"

#include "commands/wire_encoding.h"
#include "common/wire_opcodes.h"
#include "link/card.h"
#include "link/command_lock.h"
#include "link/exchange.h"
#include "list/list_buffer.h"

namespace txorb::commands {
namespace {

// Shared by every call, and therefore only touched while the CommandLock is held.
uint8_t g_staging[kBitmapHeaderBytes + 2u * kMaxBitmapDelays];

}  // namespace

uint8_t BitmapOpcode(uint16_t algorithm) {
    switch (algorithm) {
        case 1: return opcode::kBitmapLineAlgorithm1;
        case 2: return opcode::kBitmapLineAlgorithm2;
        default: return opcode::kBitmapLine;
    }
}

ErrorCode PutBitmapLine(int16_t begX, int16_t begY, int16_t endX, int16_t endY,
                        const uint16_t* delays, uint16_t count, uint16_t algorithm) {
    link::Card* card = link::GetActiveCard();
    if (card == nullptr) return err::kNoCardActive;
    if (count == 0 || delays == nullptr) return err::kInvalidVectorList;
    if (count > kMaxBitmapDelays) return err::kParameterOutOfBounds;

    // One hold covers the flush and the line, so no other thread's command can come between
    // the pending list records and the bitmap line (the flush takes the lock again).
    link::CommandLockHold hold;
    if (ErrorCode code = list::FlushListBuffer(); code != err::kOk) return code;

    uint8_t* p = PutS16(PutS16(PutS16(PutS16(g_staging, begX), begY), endX), endY);
    for (uint16_t i = 0; i < count; ++i) p = PutU16(p, delays[i]);
    const uint32_t length = kBitmapHeaderBytes + 2u * count;

    // A failed send is not followed by an input discard: the next send discards anyway.
    if (ErrorCode code =
            card->SendCommand(BitmapOpcode(algorithm), g_staging, length, link::Route::kAuto);
        code != err::kOk) {
        return code;
    }
    uint8_t status = 0;
    if (ErrorCode code = card->ReceiveStatus(&status); code != err::kOk) return code;
    return status == 0 ? err::kNotExecuted : err::kOk;
}

}  // namespace txorb::commands
