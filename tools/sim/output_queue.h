// Bytes on their way to the host: each byte has a time before which it may not leave (reply
// delays, trickles), and with a baud rate set, bytes leave no faster than the line carries
// them (10 bit times a byte for 8N1).
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <vector>

namespace txorb::sim {

using SteadyTime = std::chrono::steady_clock::time_point;

class OutputQueue {
public:
    explicit OutputQueue(uint32_t baud) : baud_(baud) {}

    // Queues bytes after everything already queued; byte i may leave at start + i * gap.
    void Push(const std::vector<uint8_t>& bytes, SteadyTime start, std::chrono::microseconds gap);
    // Writes what is due to fd (non-blocking). False when the fd is gone.
    bool Flush(int fd, SteadyTime now);
    // When the next byte may leave; SteadyTime::max() when nothing is queued.
    SteadyTime NextDue() const;
    void Clear() { bytes_.clear(); }
    bool Empty() const { return bytes_.empty(); }

private:
    struct Byte {
        uint8_t value;
        SteadyTime due;
    };
    std::chrono::nanoseconds ByteTime() const;

    uint32_t baud_;
    std::deque<Byte> bytes_;
    SteadyTime lineFree_{};
    std::vector<uint8_t> batch_;
    std::vector<SteadyTime> lineAfter_;
};

}  // namespace txorb::sim
