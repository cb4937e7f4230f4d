// Test side of the fake port-driver module: resolves its control functions and makes it the
// library's driver (stopping whatever driver the library started at load).
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "fake_driver/fake_driver.h"
#include "link/port_driver.h"
#include "platform/port_driver_module.h"

namespace txorb::test {

class FakeDriverSession {
public:
    FakeDriverSession() {
        handle_ = ::dlopen(TXORB_FAKE_DRIVER_PATH, RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) return;
        Resolve(reset, "fake_driver_reset");
        Resolve(setResults, "fake_driver_set_results");
        Resolve(setAbi, "fake_driver_set_abi");
        Resolve(addPeripheral, "fake_driver_add_peripheral");
        Resolve(setByteSink, "fake_driver_set_byte_sink");
        Resolve(addPci, "fake_driver_add_pci");
        Resolve(callCount, "fake_driver_call_count");
        Resolve(callAt, "fake_driver_call_at");
        Resolve(received, "fake_driver_received");
        Resolve(startKey, "fake_driver_start_key");
        reset();
    }
    ~FakeDriverSession() {
        link::PortDriverStop();
        platform::SetPortDriverTable(nullptr);
        if (handle_ != nullptr) ::dlclose(handle_);
    }

    bool Ok() const { return handle_ != nullptr && reset != nullptr && startKey != nullptr; }

    // Makes the module the library's driver and starts it, as the library's load hook would.
    bool Install() {
        link::PortDriverStop();
        platform::SetPortDriverTable(platform::LoadPortDriverModule(TXORB_FAKE_DRIVER_PATH));
        return link::PortDriverStart();
    }

    std::vector<fake_driver_call> Calls() const {
        std::vector<fake_driver_call> calls(callCount());
        for (size_t i = 0; i < calls.size(); ++i) callAt(i, &calls[i]);
        return calls;
    }
    std::vector<fake_driver_call> Calls(int32_t op) const {
        std::vector<fake_driver_call> out;
        for (const auto& c : Calls()) {
            if (c.op == op) out.push_back(c);
        }
        return out;
    }
    std::vector<uint8_t> Received(uint32_t dataBase) const {
        std::vector<uint8_t> bytes(4096);
        bytes.resize(received(dataBase, bytes.data(), bytes.size()));
        return bytes;
    }

    void (*reset)() = nullptr;
    void (*setResults)(int32_t, int32_t, int32_t) = nullptr;
    void (*setAbi)(uint32_t) = nullptr;
    void (*addPeripheral)(uint32_t, uint32_t, uint32_t) = nullptr;
    void (*setByteSink)(fake_driver_byte_sink, void*) = nullptr;
    void (*addPci)(int32_t, int32_t, const uint8_t*) = nullptr;
    size_t (*callCount)() = nullptr;
    int (*callAt)(size_t, fake_driver_call*) = nullptr;
    size_t (*received)(uint32_t, uint8_t*, size_t) = nullptr;
    const char* (*startKey)() = nullptr;

private:
    template <typename F>
    void Resolve(F& f, const char* name) {
        f = reinterpret_cast<F>(::dlsym(handle_, name));
    }
    void* handle_ = nullptr;
};

// A 256-byte configuration header of the card's interface function.
inline std::vector<uint8_t> PciHeader(uint16_t vendor, uint16_t device, uint32_t bar0,
                                      uint32_t bar1) {
    std::vector<uint8_t> h(256, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) h[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    h[0] = static_cast<uint8_t>(vendor);
    h[1] = static_cast<uint8_t>(vendor >> 8);
    h[2] = static_cast<uint8_t>(device);
    h[3] = static_cast<uint8_t>(device >> 8);
    put32(16, bar0);
    put32(20, bar1);
    return h;
}

}  // namespace txorb::test
