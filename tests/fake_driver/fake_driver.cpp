// A port-driver module with scripted peripherals; see fake_driver.h.
#include "fake_driver/fake_driver.h"

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "txorb/port_driver.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

enum class State { kIdle, kLatched, kStrobed };

struct Peripheral {
    uint32_t base = 0;
    uint32_t setAfter = 0;
    uint32_t clearAfter = 0;
    State state = State::kIdle;
    uint32_t reads = 0;
    uint8_t latch = 0;
    std::vector<uint8_t> received;
};

struct PciEntry {
    int32_t bus;
    int32_t slot;
    uint8_t header[256];
};

struct FakeState {
    std::mutex mutex;
    std::vector<Peripheral> peripherals;
    std::vector<PciEntry> pci;
    std::vector<fake_driver_call> log;
    int32_t startResult = 0;
    int32_t stopResult = 0;
    int32_t enableResult = 0;
    std::string startKey;
    fake_driver_byte_sink sink = nullptr;
    void* sinkContext = nullptr;
};

FakeState& S() {
    static FakeState* s = new FakeState;  // outlives every user, also at process exit
    return *s;
}

void Log(int32_t op, uint32_t a, uint32_t b, uint32_t c) { S().log.push_back({op, a, b, c}); }

Peripheral* Find(uint32_t port, uint32_t* offset) {
    for (Peripheral& p : S().peripherals) {
        if (port >= p.base && port - p.base <= 2) {
            *offset = port - p.base;
            return &p;
        }
    }
    return nullptr;
}

bool StatusBit(Peripheral& p) {
    switch (p.state) {
        case State::kLatched: ++p.reads; return p.setAfter != 0 && p.reads >= p.setAfter;
        case State::kStrobed: ++p.reads; return !(p.clearAfter != 0 && p.reads >= p.clearAfter);
        case State::kIdle: break;
    }
    return false;
}

int32_t Open(int32_t zero) {
    std::lock_guard<std::mutex> lock(S().mutex);
    Log(FAKE_OPEN, static_cast<uint32_t>(zero), 0, 0);
    return 0;
}

int32_t Start(const char* key) {
    std::lock_guard<std::mutex> lock(S().mutex);
    Log(FAKE_START, 0, 0, 0);
    S().startKey = key != nullptr ? key : "";
    return S().startResult;
}

int32_t Stop() {
    std::lock_guard<std::mutex> lock(S().mutex);
    Log(FAKE_STOP, 0, 0, 0);
    return S().stopResult;
}

int32_t Enable(uint32_t port, uint32_t count, uint32_t width) {
    std::lock_guard<std::mutex> lock(S().mutex);
    Log(FAKE_ENABLE, port, count, width);
    return S().enableResult;
}

uint32_t Read(uint32_t port) {
    std::lock_guard<std::mutex> lock(S().mutex);
    uint32_t value = 0;
    uint32_t offset = 0;
    if (Peripheral* p = Find(port, &offset); p != nullptr && offset == 1) {
        value = StatusBit(*p) ? 0x80 : 0x00;
    }
    Log(FAKE_READ, port, value, 0);
    return value;
}

uint32_t Write(uint32_t port, uint32_t value) {
    fake_driver_byte_sink sink = nullptr;
    void* context = nullptr;
    uint32_t base = 0;
    uint8_t taken = 0;
    {
        std::lock_guard<std::mutex> lock(S().mutex);
        Log(FAKE_WRITE, port, value, 0);
        uint32_t offset = 0;
        Peripheral* p = Find(port, &offset);
        if (p == nullptr) return 1;
        if (offset == 0) {
            p->latch = static_cast<uint8_t>(value);
            p->state = State::kLatched;
            p->reads = 0;
        } else if (offset == 2 && value == 1 && p->state == State::kLatched) {
            p->received.push_back(p->latch);
            p->state = State::kStrobed;
            p->reads = 0;
            sink = S().sink;
            context = S().sinkContext;
            base = p->base;
            taken = p->latch;
        } else if (offset == 2 && value == 0 && p->state == State::kStrobed) {
            p->state = State::kIdle;
        }
    }
    if (sink != nullptr) sink(base, taken, context);
    return 1;
}

int32_t ReadPci(void* scratch, int32_t bus, int32_t slot, int32_t mode) {
    std::lock_guard<std::mutex> lock(S().mutex);
    Log(FAKE_PCI, static_cast<uint32_t>(bus), static_cast<uint32_t>(slot),
        static_cast<uint32_t>(mode));
    for (const PciEntry& e : S().pci) {
        if (e.bus == bus && e.slot == slot) {
            std::memcpy(scratch, e.header, 256);
            std::memset(static_cast<uint8_t*>(scratch) + 256, 0xEE, 256);
            return 0;
        }
    }
    return -1;
}

struct txorb_port_driver g_table = {
    TXORB_PORT_DRIVER_ABI_VERSION, Open, Start, Stop, Enable, Read, Write, ReadPci};

}  // namespace

FAKE_EXPORT const struct txorb_port_driver* txorb_port_driver(void) { return &g_table; }

FAKE_EXPORT void fake_driver_reset(void) {
    std::lock_guard<std::mutex> lock(S().mutex);
    S().peripherals.clear();
    S().pci.clear();
    S().log.clear();
    S().startResult = S().stopResult = S().enableResult = 0;
    S().startKey.clear();
    S().sink = nullptr;
    S().sinkContext = nullptr;
    g_table.abi_version = TXORB_PORT_DRIVER_ABI_VERSION;
}

FAKE_EXPORT void fake_driver_set_results(int32_t start, int32_t stop, int32_t enable) {
    std::lock_guard<std::mutex> lock(S().mutex);
    S().startResult = start;
    S().stopResult = stop;
    S().enableResult = enable;
}

FAKE_EXPORT void fake_driver_set_abi(uint32_t abi) { g_table.abi_version = abi; }

FAKE_EXPORT void fake_driver_add_peripheral(uint32_t data_base, uint32_t set_after,
                                            uint32_t clear_after) {
    std::lock_guard<std::mutex> lock(S().mutex);
    Peripheral p;
    p.base = data_base;
    p.setAfter = set_after;
    p.clearAfter = clear_after;
    S().peripherals.push_back(p);
}

FAKE_EXPORT void fake_driver_set_byte_sink(fake_driver_byte_sink sink, void* context) {
    std::lock_guard<std::mutex> lock(S().mutex);
    S().sink = sink;
    S().sinkContext = context;
}

FAKE_EXPORT void fake_driver_add_pci(int32_t bus, int32_t slot, const uint8_t* header) {
    std::lock_guard<std::mutex> lock(S().mutex);
    PciEntry e{bus, slot, {}};
    std::memcpy(e.header, header, 256);
    S().pci.push_back(e);
}

FAKE_EXPORT size_t fake_driver_call_count(void) {
    std::lock_guard<std::mutex> lock(S().mutex);
    return S().log.size();
}

FAKE_EXPORT int fake_driver_call_at(size_t index, struct fake_driver_call* out) {
    std::lock_guard<std::mutex> lock(S().mutex);
    if (index >= S().log.size() || out == nullptr) return 0;
    *out = S().log[index];
    return 1;
}

FAKE_EXPORT size_t fake_driver_received(uint32_t data_base, uint8_t* out, size_t capacity) {
    std::lock_guard<std::mutex> lock(S().mutex);
    for (const Peripheral& p : S().peripherals) {
        if (p.base != data_base) continue;
        const size_t n = p.received.size() < capacity ? p.received.size() : capacity;
        if (n > 0) std::memcpy(out, p.received.data(), n);
        return p.received.size();
    }
    return 0;
}

FAKE_EXPORT const char* fake_driver_start_key(void) {
    std::lock_guard<std::mutex> lock(S().mutex);
    return S().startKey.c_str();
}
