// A scripted RTB on a pseudo-terminal: it parses the packets the library sends, records them,
// and answers each from a script (by default: status 1).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "proto/packet.h"
#include "proto/pty.h"

namespace txorb::test {

struct Reply {
    std::vector<uint8_t> bytes;  // empty: stay silent
    int delayMs = 0;             // before the first byte
    int gapMs = 0;               // between bytes (a trickle)
};

class FakeRtb {
public:
    using Responder = std::function<Reply(const proto::Packet&)>;

    FakeRtb();
    ~FakeRtb();

    const std::string& Path() const { return pty_.SlavePath(); }
    void SetResponder(Responder responder);
    // Answers every packet of this opcode with these bytes (replaces the responder's answer).
    void ReplyTo(uint8_t opcode, Reply reply);
    std::vector<proto::Packet> Packets() const;
    // Each packet's bytes in hex ("24 00 00"), in order.
    std::vector<std::string> PacketsHex() const;
    std::vector<uint8_t> RawReceived() const;
    // Waits until at least n packets have arrived; false on timeout.
    bool WaitForPackets(size_t n, int timeoutMs) const;
    void Clear();
    void SendRaw(const std::vector<uint8_t>& bytes);
    void HangUp();

    static Reply Status(uint8_t status) { return Reply{proto::StatusReply(status)}; }
    static Reply Data(const std::vector<uint8_t>& data) {
        return Reply{proto::FrameReply(data.data(), static_cast<uint16_t>(data.size()))};
    }

private:
    void Run();
    void Send(const Reply& reply);

    proto::PtyPair pty_;
    proto::PacketParser parser_;
    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::vector<proto::Packet> packets_;
    std::vector<uint8_t> raw_;
    Responder responder_;
    std::vector<std::pair<uint8_t, Reply>> canned_;
    std::atomic<bool> stop_{false};
    int wakePipe_[2] = {-1, -1};
    std::thread thread_;
};

}  // namespace txorb::test
