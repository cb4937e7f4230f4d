// Test side of the fake port-driver module: finds its state and makes it the library's driver
// (stopping whatever driver the library started at load).
#pragma once

#include <dlfcn.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "fake_driver/fake_driver.h"
#include "link/port_driver.h"
#include "platform/port_driver_module.h"

namespace txorb::test {

class FakeDriverSession {
public:
    FakeDriverSession() {
        handle_ = ::dlopen(TXORB_FAKE_DRIVER_PATH, RTLD_NOW | RTLD_LOCAL);
        if (handle_ != nullptr)
            s_ = static_cast<fake_driver_state*>(::dlsym(handle_, "fake_driver"));
        if (s_ != nullptr) reset();
    }
    ~FakeDriverSession() {
        link::PortDriverStop();
        platform::SetPortDriverTable(nullptr);
        if (handle_ != nullptr) ::dlclose(handle_);
    }

    bool Ok() const { return s_ != nullptr; }

    // Makes the module the library's driver and starts it, as the library's load hook would.
    bool Install() {
        link::PortDriverStop();
        platform::SetPortDriverTable(platform::LoadPortDriverModule(TXORB_FAKE_DRIVER_PATH));
        return link::PortDriverStart();
    }

    void reset() { std::memset(static_cast<void*>(s_), 0, sizeof *s_); }
    void setResults(int32_t start, int32_t stop, int32_t enable) {
        s_->start_result = start, s_->stop_result = stop, s_->enable_result = enable;
    }
    void setAbi(uint32_t abi) { s_->abi = abi; }
    void addPeripheral(uint32_t base, uint32_t setAfter, uint32_t clearAfter) {
        fake_driver_peripheral& p = s_->peripherals[s_->peripheral_count++];
        p.base = base, p.set_after = setAfter, p.clear_after = clearAfter;
    }
    void setByteSink(fake_driver_byte_sink sink, void* context) {
        s_->sink = sink, s_->sink_context = context;
    }
    void addPci(int32_t bus, int32_t slot, const uint8_t* header) {
        auto& e = s_->pci[s_->pci_count++];
        e.bus = bus, e.slot = slot;
        std::memcpy(e.header, header, sizeof e.header);
    }
    size_t callCount() const { return s_->call_count; }
    const char* startKey() const { return s_->start_key; }

    std::vector<fake_driver_call> Calls() const { return {s_->calls, s_->calls + s_->call_count}; }
    std::vector<fake_driver_call> Calls(int32_t op) const {
        std::vector<fake_driver_call> out;
        for (const auto& c : Calls()) {
            if (c.op == op) out.push_back(c);
        }
        return out;
    }
    // The bytes the peripheral on dataBase has taken.
    std::vector<uint8_t> Received(uint32_t dataBase) const {
        for (size_t i = 0; i < s_->peripheral_count; ++i) {
            const fake_driver_peripheral& p = s_->peripherals[i];
            if (p.base == dataBase) return {p.received, p.received + p.received_count};
        }
        return {};
    }

private:
    void* handle_ = nullptr;
    fake_driver_state* s_ = nullptr;
};

// A 256-byte configuration header of the card's interface function.
inline std::vector<uint8_t> PciHeader(uint16_t vendor, uint16_t device, uint32_t bar0,
                                      uint32_t bar1) {
    std::vector<uint8_t> h(256, 0);
    auto put = [&](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) h[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put(0, vendor, 2), put(2, device, 2), put(16, bar0, 4), put(20, bar1, 4);
    return h;
}

}  // namespace txorb::test
