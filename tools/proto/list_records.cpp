#include "proto/list_records.h"

#include "proto/opcodes.h"
#include "proto/packet.h"

namespace txorb::proto {

size_t DecodeListRecords(const uint8_t* payload, size_t count, std::vector<ListRecord>* out) {
    size_t pos = 0;
    for (; pos + kListRecordBytes <= count; pos += kListRecordBytes) {
        out->push_back(ListRecord{payload[pos], Le16(payload + pos + 1), Le16(payload + pos + 3)});
    }
    return count - pos;
}

std::string FormatListRecord(const ListRecord& record) {
    const ListOpcodeInfo* info = FindListOpcode(record.opcode);
    std::string line = info != nullptr ? info->name : "list_op_" + std::to_string(record.opcode);
    const auto s = [](uint16_t v) { return std::to_string(static_cast<int16_t>(v)); };
    const auto u = [](uint16_t v) { return std::to_string(v); };
    const ParamKind kind = info != nullptr ? info->params : ParamKind::kUnsigned;
    switch (kind) {
        case ParamKind::kNone:
            break;
        case ParamKind::kUnsigned:
            line += " " + u(record.param1) + " " + u(record.param2);
            break;
        case ParamKind::kSigned:
            line += " " + s(record.param1) + " " + s(record.param2);
            break;
        case ParamKind::kFirstSigned:
            line += " " + s(record.param1) + " " + u(record.param2);
            break;
        case ParamKind::kLow32:
            line += " " + std::to_string(static_cast<uint32_t>(record.param1) |
                                         (static_cast<uint32_t>(record.param2) << 16));
            break;
    }
    return line;
}

std::string CommandName(uint8_t opcode) {
    const CommandInfo* info = FindCommand(opcode);
    return info != nullptr ? info->name : "op_" + std::to_string(opcode);
}

}  // namespace txorb::proto
