// A port-driver module with scripted peripherals; see fake_driver.h.
#include "fake_driver/fake_driver.h"

#include <cstring>
#include <iterator>

#include "txorb/port_driver.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

extern "C" {
__attribute__((visibility("default"))) fake_driver_state fake_driver;
}

namespace {

fake_driver_state& S() { return fake_driver; }

void Log(int32_t op, uint32_t a, uint32_t b, uint32_t c) {
    if (S().call_count < std::size(S().calls)) S().calls[S().call_count++] = {op, a, b, c};
}

fake_driver_peripheral* Find(uint32_t port, uint32_t* offset) {
    for (size_t i = 0; i < S().peripheral_count; ++i) {
        fake_driver_peripheral& p = S().peripherals[i];
        if (port >= p.base && port - p.base <= 2) {
            *offset = port - p.base;
            return &p;
        }
    }
    return nullptr;
}

bool StatusBit(fake_driver_peripheral& p) {
    ++p.reads;
    if (p.state == 1) return p.set_after != 0 && p.reads >= p.set_after;
    return p.state == 2 && !(p.clear_after != 0 && p.reads >= p.clear_after);
}

int32_t Open(int32_t zero) {
    Log(FAKE_OPEN, static_cast<uint32_t>(zero), 0, 0);
    return 0;
}

int32_t Start(const char* key) {
    Log(FAKE_START, 0, 0, 0);
    std::strncpy(S().start_key, key != nullptr ? key : "", sizeof S().start_key - 1);
    return S().start_result;
}

int32_t Stop() {
    Log(FAKE_STOP, 0, 0, 0);
    return S().stop_result;
}

int32_t Enable(uint32_t port, uint32_t count, uint32_t width) {
    Log(FAKE_ENABLE, port, count, width);
    return S().enable_result;
}

uint32_t Read(uint32_t port) {
    uint32_t offset = 0, value = 0;
    if (fake_driver_peripheral* p = Find(port, &offset); p != nullptr && offset == 1) {
        value = StatusBit(*p) ? 0x80 : 0x00;
    }
    Log(FAKE_READ, port, value, 0);
    return value;
}

uint32_t Write(uint32_t port, uint32_t value) {
    Log(FAKE_WRITE, port, value, 0);
    uint32_t offset = 0;
    fake_driver_peripheral* p = Find(port, &offset);
    if (p == nullptr) return 1;
    if (offset == 0) {
        p->latch = static_cast<uint8_t>(value);
        p->state = 1;
        p->reads = 0;
    } else if (offset == 2 && value == 1 && p->state == 1) {
        if (p->received_count < sizeof p->received) p->received[p->received_count++] = p->latch;
        p->state = 2;
        p->reads = 0;
        if (S().sink != nullptr) S().sink(p->base, p->latch, S().sink_context);
    } else if (offset == 2 && value == 0 && p->state == 2) {
        p->state = 0;
    }
    return 1;
}

int32_t ReadPci(void* scratch, int32_t bus, int32_t slot, int32_t mode) {
    Log(FAKE_PCI, static_cast<uint32_t>(bus), static_cast<uint32_t>(slot),
        static_cast<uint32_t>(mode));
    for (size_t i = 0; i < S().pci_count; ++i) {
        if (S().pci[i].bus == bus && S().pci[i].slot == slot) {
            std::memcpy(scratch, S().pci[i].header, 256);
            std::memset(static_cast<uint8_t*>(scratch) + 256, 0xEE, 256);
            return 0;
        }
    }
    return -1;
}

struct txorb_port_driver g_table = {0, Open, Start, Stop, Enable, Read, Write, ReadPci};

}  // namespace

FAKE_EXPORT const struct txorb_port_driver* txorb_port_driver(void) {
    g_table.abi_version = S().abi != 0 ? S().abi : TXORB_PORT_DRIVER_ABI_VERSION;
    return &g_table;
}
