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

// Why the bytes are not a command capture, naming the first byte that cannot be one ("offset 0
// holds 0x7F, which opens no command the card knows"): a command the card does not know, a
// length other than the command's own, a list record the card does not know, an end inside a
// packet. Empty for a capture.
std::string NotACapture(const std::vector<uint8_t>& capture);

// `txorb decode`: the capture printed (JSON lines with `json`) and, for text, its counts;
// 2 when it cannot be read or is not a capture (nothing is printed then).
int RunDecode(const std::string& capturePath, bool json);

// Shortest text that reads back as the same double ("250", "0.1", "-1e-07").
std::string FormatDouble(double value);

}  // namespace txorb::cli
