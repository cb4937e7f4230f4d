#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "platform/port_driver_module.h"

namespace txorb::platform {
namespace {

std::mutex g_loadMutex;
std::atomic<const PortDriver*> g_table{nullptr};
std::atomic<bool> g_resolved{false};

bool Complete(const PortDriver* t) {
    return t != nullptr && t->abi_version == TXORB_PORT_DRIVER_ABI_VERSION && t->open != nullptr &&
           t->start != nullptr && t->stop != nullptr && t->enable_io_range != nullptr &&
           t->read_port_byte != nullptr && t->write_port_byte != nullptr &&
           t->read_pci_config != nullptr;
}

}  // namespace

const PortDriver* LoadPortDriverModule(const char* path) {
    if (path == nullptr || *path == '\0') return nullptr;
    void* handle = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return nullptr;
    auto entry = reinterpret_cast<txorb_port_driver_entry>(::dlsym(handle, "txorb_port_driver"));
    const PortDriver* table = entry != nullptr ? entry() : nullptr;
    if (!Complete(table)) {
        ::dlclose(handle);
        return nullptr;
    }
    return table;  // the handle stays open: the table points into the module
}

const PortDriver* LoadPortDriverFromEnvironment() {
    const char* path = std::getenv("TXORB_PORT_DRIVER");
    if (path == nullptr) return BuiltinPortDriver();
    return LoadPortDriverModule(path);
}

const PortDriver* PortDriverTable() {
    if (g_resolved.load(std::memory_order_acquire)) return g_table.load(std::memory_order_acquire);
    std::lock_guard<std::mutex> lock(g_loadMutex);
    if (!g_resolved.load(std::memory_order_relaxed)) {
        g_table.store(LoadPortDriverFromEnvironment(), std::memory_order_release);
        g_resolved.store(true, std::memory_order_release);
    }
    return g_table.load(std::memory_order_acquire);
}

void SetPortDriverTable(const PortDriver* table) {
    std::lock_guard<std::mutex> lock(g_loadMutex);
    g_table.store(table, std::memory_order_release);
    g_resolved.store(true, std::memory_order_release);
}

void ResetPortDriverTable() {
    std::lock_guard<std::mutex> lock(g_loadMutex);
    g_resolved.store(false, std::memory_order_release);
    g_table.store(nullptr, std::memory_order_release);
}

}  // namespace txorb::platform
