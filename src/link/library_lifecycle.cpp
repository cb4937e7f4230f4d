#include "link/library_lifecycle.h"

#include "common/process_state.h"
#include "link/card_slots.h"
#include "link/card_table.h"
#include "link/command_lock.h"
#include "link/port_driver.h"

namespace txorb::link {

void AttachLibrary() {
    PortDriverStart();
    SetModuleHandleStored(true);
}

namespace {

void RemoveEveryCard(RemovalWait wait) {
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        try {
            RemoveCard(static_cast<uint16_t>(slot), wait);
        } catch (...) {
            // Removal of one card must not keep the others running.
        }
    }
}

}  // namespace

void DetachLibrary(bool processTerminating) {
    if (!processTerminating) {
        RemoveEveryCard(RemovalWait::kSettle);
    } else if (TryAcquireCommandLock()) {
        // Held for the whole sequence (the lock is re-entrant) so no exchange can block.
        RemoveEveryCard(RemovalWait::kSkip);
        ReleaseCommandLock();
    }
    // Otherwise a thread that the ending process has already stopped holds the lock, in the
    // middle of an exchange: waiting for it would hang the exit, and the card's line is in an
    // unknown state anyway. The cards stay as they are.
    PortDriverStop();
}

}  // namespace txorb::link
