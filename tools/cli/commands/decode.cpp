#include "cli/commands/decode.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string_view>

#include "cli/run/outcome.h"
#include "proto/list_records.h"
#include "proto/opcodes.h"
#include "proto/packet.h"

namespace txorb::cli {
namespace {

namespace op = proto::op;
using proto::Le16;
using proto::Le32;

// Payload layouts of the immediate commands, as "type:name" words. Types: u u16, s s16,
// x u16 in hex, h u16 whose high byte is the value, l u16 list index (0 = list 1), i int32,
// d double, n 12-byte name field, z zero-terminated name, b the remaining bytes (counted),
// a the remaining bytes as u16 values.
struct Layout {
    uint8_t opcode;
    const char* fields;
};
constexpr Layout kLayouts[] = {
    {op::kSetSpeed, "d:dJumpSpeed d:dMarkSpeed"},
    {op::kWriteDA, "h:usValue"},
    {op::kGotoXY, "s:ssXPos s:ssYPos"},
    {op::kTestWritePort, "u:usAddressOffset u:usValue"},
    {op::kSetAutoDelay, "u:usStepPeriod"},
    {op::kSetJumpDelay, "u:usJumpDelay"},
    {op::kSetMarkDelay, "u:usMarkDelay"},
    {op::kSetPolyDelay, "u:usPolyDelay"},
    {op::kSetLaserOffDelay, "u:usLaserOffDelay"},
    {op::kSetLaserOnDelay, "u:usLaserOnDelay"},
    {op::kSetT1, "u:usT1"},
    {op::kSetT2, "u:usT2"},
    {op::kSetT3, "u:usT3"},
    {op::kSetManualDelay, "u:usManualDelay"},
    {op::kExecuteList, "l:list"},
    {op::kSetStartList, "l:list"},
    {op::kLoadCor, "b:table"},
    {op::kSetMaxCounts, "u:iCounts"},
    {op::kSetMode, "x:usMode"},
    {op::kSetYAGParameter, "u:usPrescaler"},
    {op::kTestReadPort, "u:usAddressOffset"},
    {op::kSetGainX, "d:dGainX"},
    {op::kSetGainY, "d:dGainY"},
    {op::kSetOffsetX, "s:ssOffsetX"},
    {op::kSetOffsetY, "s:ssOffsetY"},
    {op::kSetJumpSpeed, "d:dJumpSpeed"},
    {op::kSetMarkSpeed, "d:dMarkSpeed"},
    {op::kSetDXDYManual, "s:ssDXManual s:ssDYManual"},
    {op::kWritePort, "u:usAddressOffset u:usValue"},
    {op::kReadPort, "u:usAddressOffset"},
    {op::kMakeBootProgram, "n:name"},
    {op::kSetDigGainEx, "d:dDigGain"},
    {op::kCopyFileToTargetDisk, "n:name b:file"},
    {op::kLoadCorrN, "i:N b:table"},
    {op::kLoadCorrFileFromTargetDisk, "z:name"},
    {op::kDeleteFileOnTargetDisk, "z:name"},
    {op::kSetDigGain, "u:usDigGain"},
    {op::kSetRotGrad, "d:dGard"},
    {op::kGotoXYEx, "s:ssXPos s:ssYPos"},
    {op::kSetMarkShift, "u:usMarkShift"},
    {op::kPutBitmaplineList, "s:LineBegX s:LineBegY s:LineEndX s:LineEndY a:delays"},
    {op::kPutBitmaplineListAlg1, "s:LineBegX s:LineBegY s:LineEndX s:LineEndY a:delays"},
    {op::kSetDTRMirrorSelector, "u:usSelector"},
    {op::kSetDSRMirrorSelector, "u:usSelector"},
    {op::kSet3DParameters,
     "i:iXYReqField d:dXYMaxGalvoAngles d:dYrad d:dXtoY d:dObjtoX d:dFocalLength "
     "d:dMidFocPosition d:dMaxLensTravel i:inHead"},
    {op::kGet3DParameters, "i:inHead"},
    {op::kPutBitmaplineListAlg2, "s:LineBegX s:LineBegY s:LineEndX s:LineEndY a:delays"},
};

const char* FindLayout(uint8_t opcode) {
    for (const Layout& l : kLayouts) {
        if (l.opcode == opcode) return l.fields;
    }
    return nullptr;
}

std::string JsonString(std::string_view s) {
    std::string out = "\"";
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Text between double quotes; appended piece by piece, since "\"" + text makes GCC 12 at -O3
// report an overlapping copy that cannot happen.
std::string Quoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    out.append(text);
    out.push_back('"');
    return out;
}

std::string Hex(const uint8_t* p, size_t n) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        out += kDigits[p[i] >> 4];
        out += kDigits[p[i] & 15];
    }
    return out;
}

struct Field {
    std::string name;
    std::string text;  // as printed in the text form
    std::string json;  // as a JSON value
};

std::string Text(std::string_view raw) {
    std::string s;
    for (const char c : raw) {
        if (c == '\0') break;
        s += c;
    }
    return s;
}

bool IsWordType(char type) {
    return type == 'u' || type == 's' || type == 'x' || type == 'h' || type == 'l';
}

// A 16-bit field of one of the word types.
void WordField(char type, uint16_t v, Field* f) {
    if (type == 'u') f->text = f->json = std::to_string(v);
    if (type == 's') f->text = f->json = std::to_string(static_cast<int16_t>(v));
    if (type == 'h') f->text = f->json = std::to_string(v >> 8);
    if (type == 'l') f->text = f->json = std::to_string(v + 1);
    if (type == 'x') {
        char buf[8];
        std::snprintf(buf, sizeof buf, "0x%04X", v);
        f->text = buf;
        f->json = std::to_string(v);
    }
}

// Reads one field of the given type at *pos; false when the payload is too short for it.
bool ReadField(char type, const uint8_t* p, size_t n, size_t* pos, Field* f) {
    const size_t left = n - *pos;
    if (IsWordType(type) && left >= 2) {
        WordField(type, Le16(p + *pos), f);
        *pos += 2;
    } else if (type == 'i' && left >= 4) {
        f->text = f->json = std::to_string(static_cast<int32_t>(Le32(p + *pos)));
        *pos += 4;
    } else if (type == 'd' && left >= 8) {
        double v;
        std::memcpy(&v, p + *pos, 8);
        *pos += 8;
        f->text = FormatDouble(v);
        f->json = std::isfinite(v) ? f->text : "null";
    } else if ((type == 'n' && left >= 12) || (type == 'z' && left >= 1)) {
        const size_t size = type == 'n' ? 12 : left;
        const std::string s = Text({reinterpret_cast<const char*>(p + *pos), size});
        *pos += size;
        f->text = Quoted(s);
        f->json = JsonString(s);
    } else if (type == 'b') {
        f->name += "_bytes";
        f->text = f->json = std::to_string(left);
        *pos = n;
    } else if (type == 'a') {
        std::string list;
        for (; *pos + 2 <= n; *pos += 2) {
            if (!list.empty()) list += ',';
            list += std::to_string(Le16(p + *pos));
        }
        f->text = "[" + list + "]";
        f->json = f->text;
    } else {
        return false;
    }
    return true;
}

// Decodes the payload by the layout; anything the layout does not cover is one more field.
std::vector<Field> Fields(uint8_t opcode, const std::vector<uint8_t>& payload) {
    std::vector<Field> out;
    const uint8_t* p = payload.data();
    const size_t n = payload.size();
    size_t pos = 0;
    const char* layout = FindLayout(opcode);
    if (layout != nullptr) {
        std::string_view fields(layout);
        while (!fields.empty()) {
            const size_t space = fields.find(' ');
            const std::string_view word = fields.substr(0, space);
            fields =
                space == std::string_view::npos ? std::string_view() : fields.substr(space + 1);
            Field f{std::string(word.substr(2)), "", ""};
            if (!ReadField(word[0], p, n, &pos, &f)) break;  // short: the rest stays unprinted
            out.push_back(std::move(f));
        }
    }
    if (pos < n) {
        out.push_back({layout != nullptr ? "extra" : "payload", Hex(p + pos, n - pos),
                       Quoted(Hex(p + pos, n - pos))});
    }
    return out;
}

std::vector<int64_t> RecordParams(const proto::ListRecord& r, proto::ParamKind kind) {
    switch (kind) {
        case proto::ParamKind::kNone: return {};
        case proto::ParamKind::kSigned:
            return {static_cast<int16_t>(r.param1), static_cast<int16_t>(r.param2)};
        case proto::ParamKind::kFirstSigned: return {static_cast<int16_t>(r.param1), r.param2};
        case proto::ParamKind::kLow32:
            return {static_cast<int64_t>(r.param1) | (static_cast<int64_t>(r.param2) << 16)};
        case proto::ParamKind::kUnsigned: break;
    }
    return {r.param1, r.param2};
}

std::string RecordName(const proto::ListRecord& record, const proto::ListOpcodeInfo* info) {
    if (info != nullptr) return info->name;
    std::string name = "list_op_";
    name.append(std::to_string(record.opcode));
    return name;
}

void PrintRecordsJson(const std::vector<proto::ListRecord>& records, std::ostream& out) {
    out << ",\"records\":[";
    for (size_t i = 0; i < records.size(); ++i) {
        const proto::ListOpcodeInfo* info = proto::FindListOpcode(records[i].opcode);
        out << (i ? "," : "") << "{\"opcode\":" << static_cast<int>(records[i].opcode)
            << ",\"name\":" << JsonString(RecordName(records[i], info)) << ",\"params\":[";
        const auto params =
            RecordParams(records[i], info != nullptr ? info->params : proto::ParamKind::kUnsigned);
        for (size_t k = 0; k < params.size(); ++k) out << (k ? "," : "") << params[k];
        out << "]}";
    }
    out << "]";
}

void PrintJson(size_t index, size_t offset, const proto::Packet& packet,
               const std::vector<proto::ListRecord>& records, size_t rest, std::ostream& out) {
    const size_t length = packet.payload.size();
    out << "{\"index\":" << index << ",\"offset\":" << offset
        << ",\"opcode\":" << static_cast<int>(packet.opcode)
        << ",\"name\":" << JsonString(proto::CommandName(packet.opcode))
        << ",\"length\":" << length;
    if (packet.opcode == op::kListRecords) {
        PrintRecordsJson(records, out);
        if (rest != 0) {
            out << ",\"extra\":\"" << Hex(packet.payload.data() + length - rest, rest) << "\"";
        }
    } else {
        out << ",\"fields\":{";
        bool first = true;
        for (const Field& f : Fields(packet.opcode, packet.payload)) {
            out << (first ? "" : ",") << JsonString(f.name) << ":" << f.json;
            first = false;
        }
        out << "}";
    }
    out << "}\n";
}

void PrintText(size_t index, size_t offset, const proto::Packet& packet,
               const std::vector<proto::ListRecord>& records, size_t rest, std::ostream& out) {
    char head[96];
    std::snprintf(head, sizeof head, "#%-5zu @%-7zu %3d 0x%02X ", index, offset, packet.opcode,
                  packet.opcode);
    out << head << proto::CommandName(packet.opcode) << "  length " << packet.payload.size();
    if (packet.opcode == op::kListRecords) {
        out << "  " << records.size() << (records.size() == 1 ? " record" : " records");
        if (rest != 0) out << " + " << rest << " stray bytes";
        out << "\n";
        for (const proto::ListRecord& r : records) {
            out << "        " << proto::FormatListRecord(r) << "\n";
        }
        return;
    }
    for (const Field& f : Fields(packet.opcode, packet.payload)) {
        out << "  " << f.name << "=" << f.text;
    }
    out << "\n";
}

void PrintPacket(size_t index, size_t offset, const proto::Packet& packet, bool json,
                 std::ostream& out, DecodeStats* stats) {
    std::vector<proto::ListRecord> records;
    size_t rest = 0;
    if (packet.opcode == op::kListRecords) {
        const size_t length = packet.payload.size();
        rest = proto::DecodeListRecords(packet.payload.data(), length, &records);
        ++stats->listPackets;
        stats->listRecords += records.size();
        stats->listBytes += length;
    }
    if (json) {
        PrintJson(index, offset, packet, records, rest, out);
    } else {
        PrintText(index, offset, packet, records, rest, out);
    }
}

DecodeStats Walk(const std::vector<uint8_t>& capture, bool json, std::ostream* out) {
    DecodeStats stats;
    proto::PacketParser parser;
    std::vector<proto::Packet> packets;
    parser.Feed(capture.data(), capture.size(), &packets);
    size_t offset = 0;
    for (const proto::Packet& packet : packets) {
        ++stats.packets;
        if (out != nullptr) {
            PrintPacket(stats.packets, offset, packet, json, *out, &stats);
        } else if (packet.opcode == op::kListRecords) {
            ++stats.listPackets;
            stats.listRecords += packet.payload.size() / proto::kListRecordBytes;
            stats.listBytes += packet.payload.size();
        }
        offset += packet.raw.size();
    }
    stats.trailingBytes = parser.PendingBytes();
    if (out != nullptr && stats.trailingBytes != 0) {
        if (json) {
            *out << "{\"offset\":" << offset << ",\"incomplete\":" << stats.trailingBytes << "}\n";
        } else {
            *out << "incomplete packet at @" << offset << ": " << stats.trailingBytes << " bytes\n";
        }
    }
    return stats;
}

// "offset N holds 0xAB": where a byte that cannot be there is.
std::string At(size_t offset, uint8_t value) {
    char text[64];
    std::snprintf(text, sizeof text, "offset %zu holds 0x%02X", offset, value);
    return text;
}

// The list records of a list packet at `at` (its payload's first byte): whole records of list
// commands the card knows; else the first byte that is not.
std::string BadRecord(const uint8_t* payload, size_t length, size_t at) {
    for (size_t i = 0; i < length; i += proto::kListRecordBytes) {
        if (length - i < proto::kListRecordBytes) {
            return At(at + i, payload[i]) + ": a list record cut short";
        }
        if (proto::FindListOpcode(payload[i]) == nullptr) {
            return At(at + i, payload[i]) + ", which is no list command the card knows";
        }
    }
    return {};
}

}  // namespace

std::string NotACapture(const std::vector<uint8_t>& capture) {
    proto::PacketParser parser;
    std::vector<proto::Packet> packets;
    parser.Feed(capture.data(), capture.size(), &packets);
    size_t offset = 0;
    for (const proto::Packet& packet : packets) {
        const proto::CommandInfo* info = proto::FindCommand(packet.opcode);
        if (info == nullptr) {
            return At(offset, packet.opcode) + ", which opens no command the card knows";
        }
        const size_t header = packet.raw.size() - packet.payload.size();
        if (info->payloadBytes >= 0 && packet.payload.size() != size_t(info->payloadBytes)) {
            return At(offset + 1, capture[offset + 1]) + ": " + info->name + " takes " +
                   std::to_string(info->payloadBytes) + " bytes, not " +
                   std::to_string(packet.payload.size());
        }
        if (packet.opcode == op::kListRecords) {
            const std::string bad =
                BadRecord(packet.payload.data(), packet.payload.size(), offset + header);
            if (!bad.empty()) return bad;
        }
        offset += packet.raw.size();
    }
    if (parser.PendingBytes() != 0) {
        return At(offset, capture[offset]) + ": the file ends inside a packet (" +
               std::to_string(parser.PendingBytes()) + " bytes left over)";
    }
    return {};
}

std::string FormatDouble(double value) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

DecodeStats DecodeCapture(const std::vector<uint8_t>& capture, bool json, std::ostream& out) {
    return Walk(capture, json, &out);
}

DecodeStats CountCapture(const std::vector<uint8_t>& capture) {
    return Walk(capture, false, nullptr);
}

int RunDecode(const std::string& capturePath, bool json) {
    std::ifstream in(capturePath, std::ios::binary);
    if (!in) {
        std::cerr << "txorb decode: cannot open " << capturePath << ": " << std::strerror(errno)
                  << "\n";
        return kBadInput;
    }
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    if (const std::string bad = NotACapture(bytes); !bad.empty()) {
        std::cerr << "txorb decode: " << capturePath << " is not a command capture: " << bad
                  << "\n";
        return kBadInput;
    }
    const DecodeStats stats = DecodeCapture(bytes, json, std::cout);
    if (!json) {
        std::cout << stats.packets << " packets, " << stats.listPackets << " list packets, "
                  << stats.listRecords << " list records\n";
    }
    return kDone;
}

}  // namespace txorb::cli
