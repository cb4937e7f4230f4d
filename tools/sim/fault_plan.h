// Faults the virtual card can be told to commit, for tests of the host's error paths.
// A rule reads KIND[=VALUE][@OPCODES][#TIMES]:
//   status0@65        answer status 0 (the command is not carried out)
//   delay=300@93      hold the reply for 300 ms
//   length=2@34       announce a reply length of 2 (and send that many bytes)
//   garbage=8@*       send 8 bytes that are not a reply
//   trickle=50@118    send the reply one byte at a time, 50 ms apart
//   silent@41         send no reply
//   hangup=5          answer 5 more packets, then drop the line when the next arrives
// OPCODES is "*" (every opcode except the status poll 34, which must be named to be hit) or
// a comma list of numbers; without it a rule means "*". #TIMES limits the rule to that many
// packets, after which it is dropped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace txorb::sim {

enum class FaultKind : uint8_t { kStatus0, kDelay, kLength, kGarbage, kTrickle, kSilent, kHangup };

struct FaultRule {
    FaultKind kind = FaultKind::kStatus0;
    uint32_t value = 0;
    bool anyOpcode = true;
    std::vector<uint8_t> opcodes;
    int64_t remaining = -1;  // packets left, -1 for no limit
    std::string text;        // as given
};

struct FaultDecision {
    bool status0 = false;
    bool silent = false;
    bool hangUp = false;  // drop the line instead of answering
    uint32_t delayMs = 0;
    uint32_t gapMs = 0;
    int64_t length = -1;   // announced length, -1 for the true one
    int64_t garbage = -1;  // bytes of garbage instead of the reply, -1 for none
};

class FaultPlan {
public:
    // Parses and adds a rule; false with a message for one that does not parse.
    bool Add(const std::string& ruleText, std::string* error);
    void Clear() { rules_.clear(); }
    std::string Describe() const;
    // What to do with the reply to a packet of this opcode (consumes the rules' counts).
    FaultDecision Decide(uint8_t opcode);

    static bool Parse(const std::string& ruleText, FaultRule* rule, std::string* error);

private:
    std::vector<FaultRule> rules_;
};

// The reply bytes on the line for data (a status byte or query data) under a decision.
std::vector<uint8_t> ShapeReply(const std::vector<uint8_t>& data, const FaultDecision& decision);

}  // namespace txorb::sim
