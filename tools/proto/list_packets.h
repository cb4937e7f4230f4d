// The host's side of list transfers, as the library makes them: list records gathered and sent
// as one list-records packet (op::kListRecords) once 2,500 bytes are pending, at the end of a
// list, and before anything else goes to the card (a bitmap line, an immediate command); and
// the payloads of the immediate commands a marking run sends. Tools that feed a card without
// the library (the preview's in-process card) make their packets here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "proto/list_records.h"
#include "proto/packet.h"

namespace txorb::proto {

// Pending list bytes that make the library send them.
inline constexpr size_t kListPacketBytes = 2500;

// Takes each packet as it is completed; false stops the sending.
using PacketSink = std::function<bool(const Packet&)>;

// Gathers list records into packets and hands each to the sink when it is complete. The
// packet is reused for the next, so a long list costs no allocation per record.
class ListPacker {
public:
    explicit ListPacker(PacketSink send);
    // Appends the record; the packet it completes (at kListPacketBytes, or as the end of a
    // list) goes to the sink. False when the sink stopped the sending.
    bool Add(const ListRecord& record);
    // Sends what is pending, if anything; false when the sink stopped the sending.
    bool Flush();

private:
    PacketSink send_;
    Packet packet_;
};

// A packet as the library frames it (raw filled in).
Packet RequestPacket(uint8_t opcode, std::vector<uint8_t> payload);
// Payloads: a 16-bit word, a double (little-endian IEEE 754), and a bitmap line (begin and end
// as four signed words, then one delay word per pixel).
std::vector<uint8_t> WordPayload(uint16_t value);
std::vector<uint8_t> DoublePayload(double value);
std::vector<uint8_t> BitmapLinePayload(int16_t beginX, int16_t beginY, int16_t endX, int16_t endY,
                                       const std::vector<uint16_t>& delays);

}  // namespace txorb::proto
