// What the fuzz targets share: a cursor over the input, and a card in slot 1 on a serial line
// that lives only in memory and answers from a script.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "link/card.h"
#include "link/card_table.h"
#include "platform/serial_port.h"

namespace txorb::fuzz {

// Small fixed-size values first, the rest as a byte block; missing bytes read as zero, so
// every input is a complete script.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Empty() const { return pos_ >= size_; }
    size_t Remaining() const { return size_ - pos_; }

    template <typename T>
    T Take() {
        T value{};
        uint8_t raw[sizeof(T)] = {};
        const size_t n = Remaining() < sizeof(T) ? Remaining() : sizeof(T);
        if (n > 0) std::memcpy(raw, data_ + pos_, n);
        pos_ += n;
        std::memcpy(&value, raw, sizeof(T));
        return value;
    }

    // Up to count bytes, as a pointer into the input.
    const uint8_t* TakeBlock(size_t count, size_t* got) {
        *got = Remaining() < count ? Remaining() : count;
        const uint8_t* p = data_ + pos_;
        pos_ += *got;
        return p;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// The device side of the line: silent until a request has been written, then the script in
// reads of `chunk` bytes at most, then gone (so an exhausted script never waits). With
// `restartOnWrite` every request gets the whole script again.
struct ScriptedLine {
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    size_t pos = 0;
    size_t chunk = 1;
    bool armed = false;
    bool restartOnWrite = false;
    bool writesFail = false;
    bool dsr = false;
};
inline ScriptedLine g_line;

// Installs the scripted line and an active card on COM comPort, once per process.
inline void InstallScriptedCard(uint32_t comPort, uint32_t timeoutMs) {
    static bool installed = false;
    if (installed) return;
    installed = true;
    static platform::SerialPortMethods m = platform::NativeSerialPort();
    m.open = [](const char*) -> platform::SerialHandle { return 7; };
    m.close = [](platform::SerialHandle) {};
    m.configure = [](platform::SerialHandle) { return true; };
    m.setInitialLines = [](platform::SerialHandle) { return true; };
    m.purgeInput = [](platform::SerialHandle) { return true; };
    m.purgeOutput = [](platform::SerialHandle) { return true; };
    m.setDtr = [](platform::SerialHandle, bool) { return true; };
    m.getDsr = [](platform::SerialHandle, bool* on) {
        *on = g_line.dsr;
        return true;
    };
    m.write = [](platform::SerialHandle, const uint8_t*, size_t, uint32_t) {
        if (g_line.writesFail) return false;
        if (g_line.restartOnWrite) g_line.pos = 0;
        g_line.armed = true;
        return true;
    };
    m.read = [](platform::SerialHandle, uint8_t* buffer, size_t capacity, uint32_t, size_t* got) {
        *got = 0;
        if (!g_line.armed) return platform::SerialReadResult::kTimeout;
        if (g_line.pos >= g_line.size) return platform::SerialReadResult::kError;
        size_t n = g_line.size - g_line.pos;
        if (n > g_line.chunk) n = g_line.chunk;
        if (n > capacity) n = capacity;
        std::memcpy(buffer, g_line.bytes + g_line.pos, n);
        g_line.pos += n;
        *got = n;
        return platform::SerialReadResult::kData;
    };
    platform::SetSerialPortMethods(&m);
    const link::LinkDescriptor d = link::MakeDescriptor(0xFFFF, 0xFFFF, 0, comPort, 1, 1);
    link::ExchangeCardInSlot(1, new link::Card(d, timeoutMs, nullptr));
    link::StoreDescriptor(1, d);
    link::SetActiveCardIndex(1);
}

}  // namespace txorb::fuzz
