// Turns a command capture (the packets a program sent to the card, back to back) into text:
// one line per packet with its opcode name, length and fields, and for list packets one line
// per list record; or one JSON object per packet for machines.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace txorb::cli {

struct DecodeStats {
    size_t packets = 0;
    size_t listPackets = 0;
    size_t listRecords = 0;
    size_t listBytes = 0;      // payload bytes of the list packets
    size_t trailingBytes = 0;  // an incomplete packet at the end
};

// Prints every packet of the capture. Returns the counts; trailingBytes is not 0 when the
// capture ends inside a packet (that is reported on the stream too).
DecodeStats DecodeCapture(const std::vector<uint8_t>& capture, bool json, std::ostream& out);

// The counts alone, for a summary.
DecodeStats CountCapture(const std::vector<uint8_t>& capture);

// `txorb decode`: the capture printed (JSON lines with `json`) and, for text, its counts;
// 1 when it cannot be read or ends inside a packet.
int RunDecode(const std::string& capturePath, bool json);

// Shortest text that reads back as the same double ("250", "0.1", "-1e-07").
std::string FormatDouble(double value);

}  // namespace txorb::cli
