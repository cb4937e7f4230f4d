// Monotonic milliseconds and sleeping: the only time sources of the library.
#pragma once

#include <cstdint>

namespace txorb::platform {

uint64_t MonotonicMs();
void SleepMs(uint32_t ms);

}  // namespace txorb::platform
