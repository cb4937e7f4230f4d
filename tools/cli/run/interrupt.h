// Ctrl-C and SIGTERM as a flag the tool looks at between card operations, and a wait that
// ends early when one arrives.
#pragma once

namespace txorb::cli {

void InstallInterruptHandler();
bool Interrupted();
// Sleeps up to ms milliseconds; returns early (true) on an interrupt.
bool WaitForInterrupt(int ms);

}  // namespace txorb::cli
