#include "proto/packet.h"

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
        // The length field 4 opens the long form only for a target-disk copy: every other
        // 4-byte payload is an ordinary short packet.
        if (length == 4 && p[0] == kOpcodeCopyToTargetDisk) {
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

std::vector<uint8_t> FrameReply(const uint8_t* data, uint16_t count) {
    std::vector<uint8_t> reply{static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8)};
    reply.insert(reply.end(), data, data + count);
    return reply;
}

std::vector<uint8_t> StatusReply(uint8_t status) { return FrameReply(&status, 1); }

std::vector<uint8_t> FrameRequest(uint8_t opcode, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> out{opcode};
    const size_t n = payload.size();
    if (n >= 65533) {
        out.insert(out.end(), {4, 0, static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                               static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)});
    } else {
        out.insert(out.end(), {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8)});
    }
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

}  // namespace txorb::proto
