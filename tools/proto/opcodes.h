// Names and reply shapes of the card's opcodes: the immediate commands that travel as packets,
// and the list commands that travel as 5-byte records inside an opcode-156 packet. The
// simulator answers by this table and the command-line decoder prints by it.
#pragma once

#include <cstdint>

namespace txorb::proto {

inline constexpr uint8_t kOpcodeListRecords = 156;
inline constexpr uint8_t kOpcodeReadStatus = 34;

enum class ReplyKind : uint8_t {
    kStatus,  // the 2-byte length 1 and one status byte
    kData,    // the 2-byte length and replyBytes bytes of data
    kNone,    // the host reads nothing back
};

struct CommandInfo {
    uint8_t opcode;
    const char* name;
    ReplyKind reply;
    uint16_t replyBytes;    // kData: the size the host asks for; kStatus: 1; kNone: 0
    int32_t payloadBytes;   // the size the host sends, or -1 when it varies
};

// The entry of an immediate opcode, or null for one the card does not know.
const CommandInfo* FindCommand(uint8_t opcode);

// How a list record's two parameters read.
enum class ParamKind : uint8_t {
    kNone,      // both 0
    kUnsigned,  // two u16
    kSigned,    // two s16 (coordinates)
    kFirstSigned,  // s16 then u16 (skip counts)
    kLow32,     // one u32: param1 low half, param2 high half
};

struct ListOpcodeInfo {
    uint8_t opcode;
    const char* name;
    ParamKind params;
    // 3D commands are two records; the first names its partner, the second has pairOf set.
    uint8_t secondHalf;  // 0 unless this is the first record of a pair
    uint8_t pairOf;      // 0 unless this is the second record of a pair
};

const ListOpcodeInfo* FindListOpcode(uint8_t opcode);

}  // namespace txorb::proto
