// The send-only link over the card's parallel data port: one byte at a time, each with the
// status/control handshake. Replies still come back on the serial link.
#pragma once

#include <cstdint>

namespace txorb::link {

class ParallelLink {
public:
    static constexpr uint32_t kPollBound = 10000;

    ParallelLink(uint32_t dataBase, uint32_t fifoBase);

    // The number of bytes sent (= length) on success, 0 on any failure.
    int32_t Write(const uint8_t* bytes, int32_t length);
    // Opcode, 16-bit little-endian length, payload (none, and length 0, when payload is null).
    bool SendPacket(uint8_t opcode, const uint8_t* payload, uint16_t length);

private:
    // Polls the status register until its ready bit equals set; false after kPollBound reads.
    bool WaitForReady(bool set) const;

    uint32_t dataBase_;
};

}  // namespace txorb::link
