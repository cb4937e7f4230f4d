#include "proto/packet.h"

#include <algorithm>

#include "proto/opcodes.h"

namespace txorb::proto {

void PacketParser::Feed(const uint8_t* data, size_t count, std::vector<Packet>* out) {
    buffer_.insert(buffer_.end(), data, data + count);
    size_t pos = 0;
    for (;;) {
        const size_t avail = buffer_.size() - pos;
        if (avail < 3) break;
        const uint8_t* p = buffer_.data() + pos;
        size_t header = 3;
        size_t length = Le16(p + 1);
        // The length field 4 opens the long form only for a target-disk copy, the one packet
        // that may be long: every other 4-byte payload is an ordinary short packet.
        if (length == 4 && p[0] == op::kCopyFileToTargetDisk) {
            if (avail < 7) break;
            header = 7;
            length = Le32(p + 3);
        }
        if (avail < header + length) break;
        Packet packet;
        packet.opcode = p[0];
        packet.payload.assign(p + header, p + header + length);
        packet.raw.assign(p, p + header + length);
        out->push_back(std::move(packet));
        pos += header + length;
    }
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(pos));
}

// The frames are sized once and filled in place: growing a vector from a braced list and then
// inserting makes GCC 12 at -O3 report copies out of bounds that cannot happen.
std::vector<uint8_t> FrameReply(const uint8_t* data, uint16_t count) {
    std::vector<uint8_t> reply(size_t{2} + count);
    reply[0] = static_cast<uint8_t>(count);
    reply[1] = static_cast<uint8_t>(count >> 8);
    std::copy_n(data, count, reply.begin() + 2);
    return reply;
}

std::vector<uint8_t> StatusReply(uint8_t status) { return FrameReply(&status, 1); }

std::vector<uint8_t> FrameRequest(uint8_t opcode, const std::vector<uint8_t>& payload) {
    const size_t n = payload.size();
    const bool longForm = n >= 65533;
    const size_t header = longForm ? 7 : 3;
    std::vector<uint8_t> out(header + n);
    out[0] = opcode;
    if (longForm) {
        // The length field 4 announces the 32-bit length that follows it.
        out[1] = 4;
        out[2] = 0;
        for (size_t i = 0; i < 4; ++i) out[3 + i] = static_cast<uint8_t>(n >> (8 * i));
    } else {
        out[1] = static_cast<uint8_t>(n);
        out[2] = static_cast<uint8_t>(n >> 8);
    }
    std::copy(payload.begin(), payload.end(), out.begin() + static_cast<std::ptrdiff_t>(header));
    return out;
}

}  // namespace txorb::proto
