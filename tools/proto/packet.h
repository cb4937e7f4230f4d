// The card's side of the packet protocol: splitting the host's byte stream into command
// packets and framing replies. Shared by the test peer and the simulator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace txorb::proto {

struct Packet {
    uint8_t opcode = 0;
    std::vector<uint8_t> payload;
    std::vector<uint8_t> raw;  // header and payload exactly as received
};

class PacketParser {
public:
    // Appends every packet completed by these bytes to out.
    void Feed(const uint8_t* data, size_t count, std::vector<Packet>* out);
    size_t PendingBytes() const { return buffer_.size(); }
    void Reset() { buffer_.clear(); }

private:
    std::vector<uint8_t> buffer_;
};

// The 2-byte length and the data.
std::vector<uint8_t> FrameReply(const uint8_t* data, uint16_t count);
std::vector<uint8_t> StatusReply(uint8_t status);
// A request as the library frames it (short or long form).
std::vector<uint8_t> FrameRequest(uint8_t opcode, const std::vector<uint8_t>& payload);

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace txorb::proto
