#include <windows.h>

#include "platform/clock.h"

namespace txorb::platform {

// The 64-bit tick counter never wraps in a process's lifetime.
uint64_t MonotonicMs() { return GetTickCount64(); }

void SleepMs(uint32_t ms) { Sleep(ms); }

}  // namespace txorb::platform
