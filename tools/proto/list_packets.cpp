#include "proto/list_packets.h"

#include <cstring>
#include <utility>

#include "proto/opcodes.h"

namespace txorb::proto {
namespace {

void PutWord(uint16_t v, std::vector<uint8_t>* out) {
    out->push_back(static_cast<uint8_t>(v));
    out->push_back(static_cast<uint8_t>(v >> 8));
}

}  // namespace

ListPacker::ListPacker(PacketSink send) : send_(std::move(send)) {
    packet_.opcode = op::kListRecords;
    packet_.payload.reserve(kListPacketBytes + kListRecordBytes);
}

bool ListPacker::Add(const ListRecord& record) {
    std::vector<uint8_t>& pending = packet_.payload;
    const size_t at = pending.size();
    pending.resize(at + kListRecordBytes);
    uint8_t* bytes = pending.data() + at;
    bytes[0] = record.opcode;
    bytes[1] = static_cast<uint8_t>(record.param1);
    bytes[2] = static_cast<uint8_t>(record.param1 >> 8);
    bytes[3] = static_cast<uint8_t>(record.param2);
    bytes[4] = static_cast<uint8_t>(record.param2 >> 8);
    if (record.opcode == list_op::kSetEndOfList || pending.size() >= kListPacketBytes) {
        return Flush();
    }
    return true;
}

bool ListPacker::Flush() {
    if (packet_.payload.empty()) return true;
    packet_.raw = FrameRequest(packet_.opcode, packet_.payload);
    const bool more = send_(packet_);
    packet_.payload.clear();
    return more;
}

Packet RequestPacket(uint8_t opcode, std::vector<uint8_t> payload) {
    Packet packet;
    packet.opcode = opcode;
    packet.raw = FrameRequest(opcode, payload);
    packet.payload = std::move(payload);
    return packet;
}

std::vector<uint8_t> WordPayload(uint16_t value) {
    std::vector<uint8_t> out;
    PutWord(value, &out);
    return out;
}

std::vector<uint8_t> DoublePayload(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    std::vector<uint8_t> out;
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    return out;
}

std::vector<uint8_t> BitmapLinePayload(int16_t beginX, int16_t beginY, int16_t endX, int16_t endY,
                                       const std::vector<uint16_t>& delays) {
    std::vector<uint8_t> out;
    out.reserve(8 + 2 * delays.size());
    for (const int16_t v : {beginX, beginY, endX, endY}) PutWord(static_cast<uint16_t>(v), &out);
    for (const uint16_t d : delays) PutWord(d, &out);
    return out;
}

}  // namespace txorb::proto
