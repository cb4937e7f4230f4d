#include "api/messages.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "api/error_table.h"
#include "common/error_codes.h"
#include "common/process_state.h"

namespace txorb::api {
namespace {

constexpr int kCachedCodes = 51;  // 0..50; 51 and above read as 29
constexpr size_t kEntryBytes = 256;

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
    const char* text = LoadErrorText(code);
    if (text == nullptr || *text == '\0') return kCouldNotLoadText;
    std::strncpy(g_cache[code], text, kEntryBytes - 1);
    g_cache[code][kEntryBytes - 1] = '\0';
    g_filled[code].store(true, std::memory_order_release);
    return g_cache[code];
}

}  // namespace txorb::api
