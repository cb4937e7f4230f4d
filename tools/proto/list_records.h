// The payload of an opcode-156 packet: 5-byte list records back to back (opcode, two 16-bit
// little-endian parameters), 3D commands as two records in a row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace txorb::proto {

inline constexpr size_t kListRecordBytes = 5;

struct ListRecord {
    uint8_t opcode = 0;
    uint16_t param1 = 0;
    uint16_t param2 = 0;
};

// Appends every whole record of the payload to out and returns the number of bytes left over
// at the end (0 for a well-formed payload).
size_t DecodeListRecords(const uint8_t* payload, size_t count, std::vector<ListRecord>* out);

// One line for a record, e.g. "Jump_Abs -1 2" or "Write_DA_List 13312 0"; an opcode the card
// does not know prints as "list_op_<n> p1 p2".
std::string FormatListRecord(const ListRecord& record);

// A packet's opcode name, or "op_<n>" for one the card does not know.
std::string CommandName(uint8_t opcode);

}  // namespace txorb::proto
