// The JSON Lines log: one object per line for every packet received, every reply sent, every
// move executed and every fault or control event. Buffered; flushed by the main loop.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "moves.h"
#include "proto/packet.h"

namespace txorb::sim {

class EventLog {
public:
    EventLog() = default;
    ~EventLog();
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    bool Open(const std::string& path);  // empty path: no log
    bool Enabled() const { return file_ != nullptr; }

    void Packet(int64_t tUs, const proto::Packet& packet, const char* link);
    void Reply(int64_t tUs, uint8_t opcode, const std::vector<uint8_t>& bytes, uint32_t delayMs,
               uint32_t gapMs);
    void MoveDone(const Move& move);
    // A free-form event: name plus a ready-made JSON fragment of further members (may be "").
    void Note(int64_t tUs, const char* event, const std::string& members);
    void Flush();

private:
    void Line(const std::string& line);

    FILE* file_ = nullptr;
    bool dirty_ = false;
};

std::string JsonString(const std::string& text);
std::string HexBytes(const uint8_t* data, size_t count);

}  // namespace txorb::sim
