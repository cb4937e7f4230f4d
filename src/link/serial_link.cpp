#include "link/serial_link.h"

#include <algorithm>
#include <string>

#include "common/wire_opcodes.h"
#include "config/com_port_map.h"
#include "platform/clock.h"

namespace txorb::link {
namespace {
// A write may take the line's time for its bytes: 2 ms a byte plus 100 ms.
uint32_t WriteBudgetMs(size_t bytes) { return static_cast<uint32_t>(bytes * 2 + 100); }
}  // namespace

SerialLink::SerialLink(uint32_t portNumber, uint32_t timeoutMs)
    : portNumber_(portNumber), timeoutMs_(timeoutMs) {
    Open();
}

SerialLink::~SerialLink() {
    if (IsOpen()) platform::SerialPort().close(handle_);
}

bool SerialLink::Open() {
    if (IsOpen()) return openState_;
    openState_ = false;
    const auto& port = platform::SerialPort();
    const std::string device = config::ComDevicePath(portNumber_);
    handle_ = port.open(device.c_str());
    if (handle_ == platform::kInvalidSerialHandle) return false;
    if (port.configure(handle_)) {
        port.setInitialLines(handle_);  // a pty refuses modem lines; that is no reason to fail
        openState_ = true;
    }
    rxPos_ = rxLen_ = 0;
    return openState_;
}

bool SerialLink::Write(const uint8_t* data, uint32_t length) {
    if (!IsOpen()) return false;
    bool any = false;
    for (uint32_t offset = 0; offset < length; offset += kChunkBytes) {
        const uint32_t chunk = std::min(kChunkBytes, length - offset);
        if (platform::SerialPort().write(handle_, data + offset, chunk, WriteBudgetMs(chunk))) {
            any = true;
        }
    }
    return any;
}

ErrorCode SerialLink::ReadExact(uint8_t* buffer, uint32_t count, uint32_t timeoutMs) {
    uint32_t stored = 0;
    uint64_t idleStart = platform::MonotonicMs();
    while (stored < count) {
        if (rxPos_ < rxLen_) {
            const uint32_t take = std::min<uint32_t>(count - stored, rxLen_ - rxPos_);
            std::copy_n(rx_ + rxPos_, take, buffer + stored);
            rxPos_ = static_cast<uint16_t>(rxPos_ + take);
            stored += take;
            continue;
        }
        if (!IsOpen()) {
            // Nothing can ever arrive; still honour the timeout the caller expects.
            platform::SleepMs(timeoutMs);
            return err::kResponseTimeout;
        }
        const uint64_t elapsed = platform::MonotonicMs() - idleStart;
        if (elapsed >= timeoutMs) return err::kResponseTimeout;
        size_t got = 0;
        const auto r = platform::SerialPort().read(
            handle_, rx_, sizeof rx_, static_cast<uint32_t>(timeoutMs - elapsed), &got);
        if (r == platform::SerialReadResult::kData) {
            rxPos_ = 0;
            rxLen_ = static_cast<uint16_t>(got);
            idleStart = platform::MonotonicMs();
        } else if (r == platform::SerialReadResult::kError) {
            return err::kResponseTimeout;  // the line is gone: no reply will come
        }
    }
    return err::kOk;
}

int16_t SerialLink::ReadByte() {
    if (rxPos_ < rxLen_) return rx_[rxPos_++];
    if (!IsOpen()) return -1;
    size_t got = 0;
    if (platform::SerialPort().read(handle_, rx_, sizeof rx_, 0, &got) !=
        platform::SerialReadResult::kData) {
        return -1;
    }
    rxPos_ = 1;
    rxLen_ = static_cast<uint16_t>(got);
    return rx_[0];
}

bool SerialLink::WriteByte(uint8_t value) {
    if (!IsOpen()) return false;
    return platform::SerialPort().write(handle_, &value, 1, WriteBudgetMs(1));
}

bool SerialLink::SendPacket(uint8_t opcode, const uint8_t* payload, uint16_t length) {
    if (payload == nullptr) length = 0;
    const uint8_t header[3] = {opcode, static_cast<uint8_t>(length),
                               static_cast<uint8_t>(length >> 8)};
    for (uint8_t b : header) {
        if (!WriteByte(b)) return false;
    }
    for (uint16_t i = 0; i < length; ++i) {
        if (!WriteByte(payload[i])) return false;
    }
    return true;
}

bool SerialLink::PurgeTransmit() {
    if (!IsOpen()) return true;
    return platform::SerialPort().purgeOutput(handle_);
}

bool SerialLink::DiscardInput() {
    rxPos_ = rxLen_ = 0;
    if (!IsOpen()) return true;
    const bool purged = platform::SerialPort().purgeInput(handle_);
    for (uint32_t i = 0; i < kDiscardReadBound; ++i) {
        if (ReadByte() < 0) break;
    }
    rxPos_ = rxLen_ = 0;
    return purged;
}

bool SerialLink::IsDsrOn() {
    if (!IsOpen()) return false;
    bool on = false;
    return platform::SerialPort().getDsr(handle_, &on) && on;
}

bool SerialLink::SetDtr() { return IsOpen() && platform::SerialPort().setDtr(handle_, true); }
bool SerialLink::ClearDtr() { return IsOpen() && platform::SerialPort().setDtr(handle_, false); }

uint32_t PingSerialPort(uint32_t portNumber) {
    SerialLink link(portNumber, 2000);
    if (!link.IsOpen()) return 0;
    if (!link.SendPacket(opcode::kReadStatus, nullptr, 0)) return 0;
    platform::SleepMs(100);
    const int16_t first = link.ReadByte();
    platform::SleepMs(1);
    link.DiscardInput();
    if (first < 0) return 0;
    link.DiscardInput();
    return portNumber;
}

}  // namespace txorb::link
