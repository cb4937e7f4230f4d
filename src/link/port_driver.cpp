#include "link/port_driver.h"

#include "link/command_lock.h"

namespace txorb {

// The driver module itself is wired in by the parallel-link work; until then no driver starts.
bool PortDriverStart() {
    if (!CommandLockCreated()) CreateCommandLock();
    return false;
}

bool PortDriverStop() {
    if (CommandLockCreated()) DeleteCommandLock();
    return true;
}

bool EnableIoRange(uint32_t, uint32_t, uint32_t) { return false; }
uint32_t ReadPortByte(uint32_t) { return 0; }
uint32_t WritePortByte(uint32_t, uint32_t) { return 0; }
bool ReadPciConfig(int32_t, int32_t, int32_t, void*, size_t) { return false; }

}  // namespace txorb
