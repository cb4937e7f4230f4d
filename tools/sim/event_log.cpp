#include "event_log.h"

#include <cinttypes>

#include "proto/list_records.h"
#include "proto/opcodes.h"

namespace txorb::sim {
namespace {

constexpr size_t kMaxLoggedPayload = 4096;
constexpr size_t kFlushBytes = 1 << 20;  // a busy list does not pile up the log in memory

}  // namespace

const char* MoveKindName(MoveKind kind) {
    switch (kind) {
        case MoveKind::kJump: return "jump";
        case MoveKind::kMark: return "mark";
        case MoveKind::kDot: return "dot";
    }
    return "jump";
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string HexBytes(const uint8_t* data, size_t count) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 15];
    }
    return out;
}

EventLog::~EventLog() {
    std::string error;
    Close(&error);
}

bool EventLog::Open(const std::string& path, std::string* error) {
    if (path.empty()) return true;
    file_ = std::make_unique<OutputFile>(path);
    return file_->Open(error);
}

void EventLog::Line(const std::string& line) {
    if (!Enabled()) return;
    buffer_ += line;
    buffer_ += '\n';
    if (buffer_.size() >= kFlushBytes) Flush();
}

bool EventLog::Flush() {
    if (file_ == nullptr) return true;
    if (!buffer_.empty() && !file_->Failed()) {
        if (file_->Write(buffer_.data(), buffer_.size())) {
            written_ += buffer_.size();
        } else {
            file_->Truncate(written_);
        }
        buffer_.clear();
    }
    std::string error;
    if (!published_ && written_ > 0 && !file_->Failed()) published_ = file_->Publish(&error);
    return !file_->Failed();
}

bool EventLog::Close(std::string* error) {
    if (file_ == nullptr) return true;
    Flush();
    const bool ok = file_->Commit(error);
    file_.reset();
    return ok;
}

void EventLog::Packet(int64_t tUs, const proto::Packet& packet, const char* link) {
    if (!Enabled()) return;
    const size_t shown = std::min(packet.payload.size(), kMaxLoggedPayload);
    std::string line = "{\"t_us\":" + std::to_string(tUs) + ",\"event\":\"packet\",\"link\":\"" +
                       link + "\",\"opcode\":" + std::to_string(packet.opcode) +
                       ",\"name\":" + JsonString(proto::CommandName(packet.opcode)) +
                       ",\"length\":" + std::to_string(packet.payload.size()) + ",\"payload\":\"" +
                       HexBytes(packet.payload.data(), shown) + "\"";
    if (shown < packet.payload.size()) line += ",\"truncated\":true";
    if (packet.opcode == proto::op::kListRecords) {
        std::vector<proto::ListRecord> records;
        proto::DecodeListRecords(packet.payload.data(), packet.payload.size(), &records);
        line += ",\"records\":[";
        for (size_t i = 0; i < records.size(); ++i) {
            if (i > 0) line += ',';
            line += JsonString(proto::FormatListRecord(records[i]));
        }
        line += ']';
    }
    Line(line + "}");
}

void EventLog::Reply(int64_t tUs, uint8_t opcode, const std::vector<uint8_t>& bytes,
                     uint32_t delayMs, uint32_t gapMs) {
    if (!Enabled()) return;
    const size_t shown = std::min(bytes.size(), kMaxLoggedPayload);
    std::string line = "{\"t_us\":" + std::to_string(tUs) +
                       ",\"event\":\"reply\",\"opcode\":" + std::to_string(opcode) +
                       ",\"bytes\":\"" + HexBytes(bytes.data(), shown) + "\"";
    if (delayMs > 0) line += ",\"delay_ms\":" + std::to_string(delayMs);
    if (gapMs > 0) line += ",\"gap_ms\":" + std::to_string(gapMs);
    Line(line + "}");
}

void EventLog::MoveDone(const Move& m) {
    if (!Enabled()) return;
    char buf[320];
    std::snprintf(buf, sizeof buf,
                  "{\"t_us\":%" PRId64
                  ",\"event\":\"move\",\"kind\":\"%s\",\"from\":[%.3f,%.3f],"
                  "\"to\":[%.3f,%.3f],\"power\":%.6f,\"end_us\":%" PRId64 "}",
                  m.t0, MoveKindName(m.kind), m.x0, m.y0, m.x1, m.y1, m.power, m.t1);
    Line(buf);
}

void EventLog::Note(int64_t tUs, const char* event, const std::string& members) {
    if (!Enabled()) return;
    std::string line = "{\"t_us\":" + std::to_string(tUs) + ",\"event\":\"" + event + "\"";
    if (!members.empty()) line += "," + members;
    Line(line + "}");
}

}  // namespace txorb::sim
