#include "link/library_lifecycle.h"

#include "common/process_state.h"
#include "link/card_slots.h"
#include "link/card_table.h"
#include "link/port_driver.h"

namespace txorb::link {

void AttachLibrary() {
    PortDriverStart();
    SetModuleHandleStored(true);
}

void DetachLibrary(bool processTerminating) {
    const RemovalWait wait = processTerminating ? RemovalWait::kSkip : RemovalWait::kSettle;
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        try {
            RemoveCard(static_cast<uint16_t>(slot), wait);
        } catch (...) {
            // Removal of one card must not keep the others running.
        }
    }
    PortDriverStop();
}

}  // namespace txorb::link
