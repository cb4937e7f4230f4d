// The JSON Lines log: one object per line for every packet received, every reply sent, every
// move executed and every fault or control event. Buffered and written in whole lines: the log
// is created under a temporary name and appears under its own at the first flush, so that a
// reader never finds a torn line there. After a failed write it is cut back to its last whole
// line and stops; Failed() and Error() say so.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "moves.h"
#include "output_file.h"
#include "proto/packet.h"

namespace txorb::sim {

class EventLog {
public:
    EventLog() = default;
    ~EventLog();
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    bool Open(const std::string& path, std::string* error);  // empty path: no log
    bool Enabled() const { return file_ != nullptr && !file_->Failed(); }

    void Packet(int64_t tUs, const proto::Packet& packet, const char* link);
    void Reply(int64_t tUs, uint8_t opcode, const std::vector<uint8_t>& bytes, uint32_t delayMs,
               uint32_t gapMs);
    void MoveDone(const Move& move);
    // A free-form event: name plus a ready-made JSON fragment of further members (may be "").
    void Note(int64_t tUs, const char* event, const std::string& members);
    // Writes what is buffered; false once the log has failed.
    bool Flush();
    // Flushes and closes; false with "PATH: reason" when the log could not be written.
    bool Close(std::string* error);
    bool Failed() const { return file_ != nullptr && file_->Failed(); }
    std::string Error() const { return file_ != nullptr ? file_->Error() : std::string(); }

private:
    void Line(const std::string& line);

    std::unique_ptr<OutputFile> file_;
    std::string buffer_;
    size_t written_ = 0;  // bytes of whole lines in the file
    bool published_ = false;
};

std::string JsonString(const std::string& text);
std::string HexBytes(const uint8_t* data, size_t count);

}  // namespace txorb::sim
