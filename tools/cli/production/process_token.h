// Which process holds a journal's started parts: a pid alone may be reused after its process
// is gone, so a run records a token that names the process itself.
#pragma once

#include <cstdint>
#include <string>

namespace txorb::cli {

int64_t CurrentPid();

// "BOOT-ID/START-TICKS" of the live process `pid` (the machine's boot and the tick the process
// started at), or "" when there is no such process or the system does not say.
std::string ProcessToken(int64_t pid);

// Whether the process that recorded `token` as `pid` is still running. An empty token (one the
// system did not give) falls back to whether any process has that pid.
bool ProcessAlive(int64_t pid, const std::string& token);

}  // namespace txorb::cli
