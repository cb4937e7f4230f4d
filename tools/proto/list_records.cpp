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

namespace {

// Appends " value"; built with append() rather than " " + text, which GCC 12 at -O3 wrongly
// reports as an overlapping copy.
template <typename Number>
void AppendField(std::string* line, Number value) {
    line->push_back(' ');
    line->append(std::to_string(value));
}

void AppendParams(std::string* line, ParamKind kind, const ListRecord& record) {
    const auto s = [](uint16_t v) { return static_cast<int16_t>(v); };
    switch (kind) {
        case ParamKind::kNone: break;
        case ParamKind::kUnsigned:
            AppendField(line, record.param1);
            AppendField(line, record.param2);
            break;
        case ParamKind::kSigned:
            AppendField(line, s(record.param1));
            AppendField(line, s(record.param2));
            break;
        case ParamKind::kFirstSigned:
            AppendField(line, s(record.param1));
            AppendField(line, record.param2);
            break;
        case ParamKind::kLow32:
            AppendField(line, static_cast<uint32_t>(record.param1) |
                                  (static_cast<uint32_t>(record.param2) << 16));
            break;
    }
}

}  // namespace

std::string FormatListRecord(const ListRecord& record) {
    const ListOpcodeInfo* info = FindListOpcode(record.opcode);
    std::string line;
    if (info != nullptr) {
        line = info->name;
    } else {
        line = "list_op_";
        line.append(std::to_string(record.opcode));
    }
    AppendParams(&line, info != nullptr ? info->params : ParamKind::kUnsigned, record);
    return line;
}

std::string CommandName(uint8_t opcode) {
    const CommandInfo* info = FindCommand(opcode);
    if (info != nullptr) return info->name;
    std::string name = "op_";
    name.append(std::to_string(opcode));
    return name;
}

}  // namespace txorb::proto
