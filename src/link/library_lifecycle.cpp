// What happens when the process loads and unloads the library.
//
// The two process-wide list objects are statics of an earlier initialisation priority, so they
// exist before the load hook runs. Their destructors are exit handlers registered as they are
// built; the unload hook is registered the same way from the load hook, i.e. after them, and
// exit handlers run last-registered first, on dlclose and at process exit alike. So the cards
// are stopped first and the list objects go last. (A plain destructor function would run only
// after every exit handler of the library, i.e. after the list objects are gone.) The
// destructor function stays as a fallback for when the handler cannot be registered.
//
// A program that exits without removing its cards still leaves each one stopped. The unload
// path touches the card table, the cards and the CommandLock (never destroyed), none of the
// list objects.
#include <atomic>
#include <cstdlib>

#include "common/process_state.h"
#include "link/card_slots.h"
#include "link/card_table.h"
#include "link/port_driver.h"

namespace txorb {
namespace {

std::atomic<bool> g_unloaded{false};

void OnLibraryUnload() {
    if (g_unloaded.exchange(true)) return;
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        try {
            RemoveCard(static_cast<uint16_t>(slot));
        } catch (...) {
            // Removal of one card must not keep the others running.
        }
    }
    PortDriverStop();
}

__attribute__((constructor(200))) void OnLibraryLoad() {
    PortDriverStart();  // also creates the CommandLock; a driver that does not start is no error
    SetModuleHandleStored(true);
    std::atexit(OnLibraryUnload);  // tied to this shared object: runs at dlclose too
}

__attribute__((destructor(200))) void OnLibraryUnloadFallback() { OnLibraryUnload(); }

}  // namespace
}  // namespace txorb
