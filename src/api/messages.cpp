#include "api/messages.h"

#include <atomic>
#include <mutex>

#include "common/error_codes.h"
#include "common/process_state.h"
#include "platform/string_table.h"

namespace txorb::api {
namespace {

// Codes below the guard entry have a message; the guard and everything outside read as
// "Unknown Error".
constexpr int kCachedCodes = TXORB_ERR_GUARD;
constexpr int kEntryBytes = 256;

char g_cache[kCachedCodes][kEntryBytes];
std::atomic<bool> g_filled[kCachedCodes];
std::mutex g_fillMutex;

}  // namespace

const char* ErrorMessage(int32_t code) {
    if (!ModuleHandleStored()) return kNoModuleHandleText;
    if (code < 0 || code >= kCachedCodes) code = static_cast<int32_t>(err::kUnknownError);
    if (g_filled[code].load(std::memory_order_acquire)) return g_cache[code];
    std::lock_guard<std::mutex> hold(g_fillMutex);
    if (g_filled[code].load(std::memory_order_relaxed)) return g_cache[code];
    // An entry that could not be loaded stays empty, so the next call tries again.
    const unsigned id = platform::kErrorTextIdBase + static_cast<unsigned>(code);
    if (platform::LoadStringResource(id, g_cache[code], kEntryBytes) == 0) {
        return kCouldNotLoadText;
    }
    g_filled[code].store(true, std::memory_order_release);
    return g_cache[code];
}

}  // namespace txorb::api
