#include <windows.h>

#include <atomic>

#include "platform/module_instance.h"

namespace txorb::platform {
namespace {

std::atomic<void*> g_instance{nullptr};

void* ModuleHoldingThisCode() {
    HMODULE module = nullptr;
    const DWORD flags =
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (!GetModuleHandleExA(flags, reinterpret_cast<LPCSTR>(&ModuleHoldingThisCode), &module)) {
        return nullptr;
    }
    return module;
}

}  // namespace

void SetModuleInstance(void* instance) { g_instance.store(instance, std::memory_order_release); }

void* ModuleInstance() {
    void* instance = g_instance.load(std::memory_order_acquire);
    return instance != nullptr ? instance : ModuleHoldingThisCode();
}

}  // namespace txorb::platform
