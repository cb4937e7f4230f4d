// The port driver on Windows: krt_dd.dll, its functions taken by ordinal and called with the
// standard calling convention. The DLL is bound on first use, never at load time and never
// inside the loader's notification: a machine without it loads the library and runs serial
// cards all the same.
//
// Starting the driver is therefore split. start() only records the request; the DLL is loaded
// and its start-up ordinals called by the first operation that needs it, and a start-up that
// failed is tried again by each later enable_io_range() or read_pci_config(), as by the
// library's own retry. Port reads and writes never try: they run in the parallel handshake's
// tight loops and use only a driver that is up.
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/port_driver_module.h"

namespace txorb::platform {
namespace {

constexpr const char* kDriverDll = "krt_dd.dll";

using OpenFn = int32_t(WINAPI*)(int32_t);
using StartFn = int32_t(WINAPI*)(const char*);
using StopFn = int32_t(WINAPI*)();
using EnableFn = int32_t(WINAPI*)(uint32_t, uint32_t, uint32_t);
using ReadPortFn = uint32_t(WINAPI*)(uint32_t);
using WritePortFn = uint32_t(WINAPI*)(uint32_t, uint32_t);
using ReadPciFn = int32_t(WINAPI*)(void*, int32_t, int32_t, int32_t);

struct DriverDll {
    OpenFn open;            // ordinal 12
    StartFn start;          // ordinal 13
    StopFn stop;            // ordinal 14
    EnableFn enable;        // ordinal 60
    ReadPortFn readPort;    // ordinal 63
    WritePortFn writePort;  // ordinal 66
    ReadPciFn readPci;      // ordinal 70
};

template <typename Fn>
bool Resolve(HMODULE module, WORD ordinal, Fn* fn) {
    *fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
    return *fn != nullptr;
}

std::mutex g_bindMutex;
DriverDll g_dll{};
bool g_bindTried = false;
bool g_bound = false;
char g_startKey[64] = {};
std::atomic<bool> g_startRequested{false};
std::atomic<bool> g_running{false};

// Loads the DLL once; it stays loaded for the life of the process, since the resolved
// functions live in it. Caller holds g_bindMutex.
bool BindLocked() {
    if (g_bindTried) return g_bound;
    g_bindTried = true;
    HMODULE module = LoadLibraryA(kDriverDll);
    if (module == nullptr) return false;
    DriverDll dll{};
    g_bound = Resolve(module, 12, &dll.open) && Resolve(module, 13, &dll.start) &&
              Resolve(module, 14, &dll.stop) && Resolve(module, 60, &dll.enable) &&
              Resolve(module, 63, &dll.readPort) && Resolve(module, 66, &dll.writePort) &&
              Resolve(module, 70, &dll.readPci);
    if (g_bound) {
        g_dll = dll;
    } else {
        FreeLibrary(module);
    }
    return g_bound;
}

// True when the driver is up, starting it first when it was asked for and is not.
bool EnsureRunning() {
    if (g_running.load(std::memory_order_acquire)) return true;
    if (!g_startRequested.load(std::memory_order_acquire)) return false;
    std::lock_guard<std::mutex> hold(g_bindMutex);
    if (g_running.load(std::memory_order_relaxed)) return true;
    if (!BindLocked()) return false;
    g_dll.open(0);
    const bool up = g_dll.start(g_startKey) == 0;
    g_running.store(up, std::memory_order_release);
    return up;
}

int32_t DeferredOpen(int32_t) { return 0; }

int32_t DeferredStart(const char* key) {
    std::lock_guard<std::mutex> hold(g_bindMutex);
    const size_t length = key != nullptr ? strnlen(key, sizeof g_startKey - 1) : 0;
    std::memcpy(g_startKey, key != nullptr ? key : "", length);
    g_startKey[length] = '\0';
    g_startRequested.store(true, std::memory_order_release);
    return 0;
}

int32_t DllStop() {
    g_startRequested.store(false, std::memory_order_release);
    if (!g_running.exchange(false, std::memory_order_acq_rel)) return 0;
    return g_dll.stop();
}

int32_t DllEnableIoRange(uint32_t port, uint32_t count, uint32_t widthFlag) {
    return EnsureRunning() ? g_dll.enable(port, count, widthFlag) : -1;
}

uint32_t DllReadPortByte(uint32_t port) {
    return g_running.load(std::memory_order_acquire) ? g_dll.readPort(port) : 0;
}

uint32_t DllWritePortByte(uint32_t port, uint32_t value) {
    return g_running.load(std::memory_order_acquire) ? g_dll.writePort(port, value) : 0;
}

int32_t DllReadPciConfig(void* scratch512, int32_t bus, int32_t slot, int32_t mode) {
    return EnsureRunning() ? g_dll.readPci(scratch512, bus, slot, mode) : -1;
}

const PortDriver kDriverDllTable = {
    TXORB_PORT_DRIVER_ABI_VERSION,
    DeferredOpen,
    DeferredStart,
    DllStop,
    DllEnableIoRange,
    DllReadPortByte,
    DllWritePortByte,
    DllReadPciConfig,
};

bool Complete(const PortDriver* t) {
    return t != nullptr && t->abi_version == TXORB_PORT_DRIVER_ABI_VERSION && t->open != nullptr &&
           t->start != nullptr && t->stop != nullptr && t->enable_io_range != nullptr &&
           t->read_port_byte != nullptr && t->write_port_byte != nullptr &&
           t->read_pci_config != nullptr;
}

std::atomic<const PortDriver*> g_table{&kDriverDllTable};

}  // namespace

const PortDriver* LoadPortDriverModule(const char* path) {
    if (path == nullptr || *path == '\0') return nullptr;
    HMODULE module = LoadLibraryA(path);
    if (module == nullptr) return nullptr;
    auto entry = reinterpret_cast<txorb_port_driver_entry>(
        reinterpret_cast<void*>(GetProcAddress(module, "txorb_port_driver")));
    const PortDriver* table = entry != nullptr ? entry() : nullptr;
    if (!Complete(table)) {
        FreeLibrary(module);
        return nullptr;
    }
    return table;  // the module stays loaded: the table points into it
}

// A module named by TXORB_PORT_DRIVER, for tools and tests that bring their own; the library
// itself always starts with krt_dd.dll.
const PortDriver* LoadPortDriverFromEnvironment() {
    const char* path = std::getenv("TXORB_PORT_DRIVER");
    if (path == nullptr) return BuiltinPortDriver();
    return LoadPortDriverModule(path);
}

const PortDriver* BuiltinPortDriver() { return &kDriverDllTable; }

const PortDriver* PortDriverTable() { return g_table.load(std::memory_order_acquire); }

void SetPortDriverTable(const PortDriver* table) {
    g_table.store(table, std::memory_order_release);
}

void ResetPortDriverTable() { g_table.store(&kDriverDllTable, std::memory_order_release); }

}  // namespace txorb::platform
