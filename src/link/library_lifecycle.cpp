// What happens when the process loads and unloads the library. The process-wide objects are
// plain statics, built before these hooks run and destroyed after the unload hook.
#include "common/process_state.h"
#include "link/port_driver.h"

namespace txorb {
namespace {

__attribute__((constructor(200))) void OnLibraryLoad() {
    PortDriverStart();  // also creates the CommandLock; a driver that does not start is no error
    SetModuleHandleStored(true);
}

__attribute__((destructor(200))) void OnLibraryUnload() {
    PortDriverStop();
}

}  // namespace
}  // namespace txorb
