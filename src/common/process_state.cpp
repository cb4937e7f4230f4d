#include "common/process_state.h"

#include <atomic>

namespace txorb {
namespace {
std::atomic<ErrorCode> g_lastError{0};
std::atomic<bool> g_moduleHandle{false};
}  // namespace

void StoreLastErrorCode(ErrorCode code) { g_lastError.store(code, std::memory_order_relaxed); }
ErrorCode LastErrorCode() { return g_lastError.load(std::memory_order_relaxed); }
void SetModuleHandleStored(bool stored) { g_moduleHandle.store(stored, std::memory_order_release); }
bool ModuleHandleStored() { return g_moduleHandle.load(std::memory_order_acquire); }

}  // namespace txorb
