// What happens when the process loads and unloads the library. The two process-wide list
// objects are statics of an earlier initialisation priority, so they exist before the load hook
// runs. The unload hook runs on dlclose and at process exit alike, so a program that exits
// without removing its cards still leaves each one stopped. It touches only the card table,
// the cards and the CommandLock (which is never destroyed), none of the list objects.
#include "common/process_state.h"
#include "link/card_slots.h"
#include "link/card_table.h"
#include "link/port_driver.h"

namespace txorb {
namespace {

__attribute__((constructor(200))) void OnLibraryLoad() {
    PortDriverStart();  // also creates the CommandLock; a driver that does not start is no error
    SetModuleHandleStored(true);
}

__attribute__((destructor(200))) void OnLibraryUnload() {
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        try {
            RemoveCard(static_cast<uint16_t>(slot));
        } catch (...) {
            // Removal of one card must not keep the others running.
        }
    }
    PortDriverStop();
}

}  // namespace
}  // namespace txorb
