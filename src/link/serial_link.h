// The transport to one RTB over a COM port. Requests may go out over another link, but every
// reply comes back here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/error_codes.h"
#include "platform/serial_port.h"

namespace txorb::link {

class SerialLink {
public:
    static constexpr uint32_t kChunkBytes = 4096;
    static constexpr uint32_t kDiscardReadBound = 10000;

    SerialLink(uint32_t portNumber, uint32_t timeoutMs);
    ~SerialLink();
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    bool Open();
    bool IsOpen() const { return handle_ != platform::kInvalidSerialHandle; }
    uint32_t PortNumber() const { return portNumber_; }

    // Sends in chunks of 4096 bytes; true when at least one chunk went out.
    bool Write(const uint8_t* data, uint32_t length);
    // Exactly count bytes; the timeout bounds the silence before each byte, not the whole read.
    ErrorCode ReadExact(uint8_t* buffer, uint32_t count) {
        return ReadExact(buffer, count, timeoutMs_);
    }
    // The same with an idle timeout of its own for this one read.
    ErrorCode ReadExact(uint8_t* buffer, uint32_t count, uint32_t timeoutMs);
    // One byte 0..255 when one is waiting, else -1. Never waits.
    int16_t ReadByte();
    bool WriteByte(uint8_t value);
    bool SendPacket(uint8_t opcode, const uint8_t* payload, uint16_t length);
    bool PurgeTransmit();
    bool DiscardInput();
    bool IsDsrOn();
    bool SetDtr();
    bool ClearDtr();

private:
    platform::SerialHandle handle_ = platform::kInvalidSerialHandle;
    uint32_t portNumber_;
    uint32_t timeoutMs_;
    bool openState_ = false;
    // Bytes already taken from the device but not yet consumed: one read() serves a whole reply.
    uint8_t rx_[512];
    uint16_t rxPos_ = 0;
    uint16_t rxLen_ = 0;
};

// The port number when an RTB answers a status request on that COM port within 100 ms, else 0.
uint32_t PingSerialPort(uint32_t portNumber);

}  // namespace txorb::link
