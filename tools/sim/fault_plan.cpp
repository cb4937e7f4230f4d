#include "fault_plan.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "proto/opcodes.h"
#include "proto/packet.h"

namespace txorb::sim {
namespace {

bool ParseNumber(const std::string& text, uint32_t max, uint32_t* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(text.c_str(), &end, 0);
    if (errno != 0 || end == nullptr || *end != '\0' || v > max || text[0] == '-') return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

struct KindName {
    const char* name;
    FaultKind kind;
    bool needsValue;
    uint32_t defaultValue;
};

constexpr KindName kKinds[] = {
    {"status0", FaultKind::kStatus0, false, 0}, {"delay", FaultKind::kDelay, true, 0},
    {"length", FaultKind::kLength, true, 0},    {"garbage", FaultKind::kGarbage, false, 8},
    {"trickle", FaultKind::kTrickle, true, 0},  {"silent", FaultKind::kSilent, false, 0},
    {"hangup", FaultKind::kHangup, true, 0},
};

}  // namespace

bool FaultPlan::Parse(const std::string& ruleText, FaultRule* rule, std::string* error) {
    *rule = FaultRule{};
    rule->text = ruleText;
    std::string rest = ruleText;
    std::string times, ops, value;
    if (auto hash = rest.find('#'); hash != std::string::npos) {
        times = rest.substr(hash + 1);
        rest.resize(hash);
    }
    bool opsGiven = false;
    if (auto at = rest.find('@'); at != std::string::npos) {
        ops = rest.substr(at + 1);
        rest.resize(at);
        opsGiven = true;
    }
    if (auto eq = rest.find('='); eq != std::string::npos) {
        value = rest.substr(eq + 1);
        rest.resize(eq);
    }
    const KindName* kind = nullptr;
    for (const auto& k : kKinds) {
        if (rest == k.name) kind = &k;
    }
    if (kind == nullptr) {
        *error = "unknown fault kind '" + rest + "'";
        return false;
    }
    rule->kind = kind->kind;
    rule->value = kind->defaultValue;
    if (!value.empty() && !ParseNumber(value, 3600000, &rule->value)) {
        *error = "bad value '" + value + "'";
        return false;
    }
    if (kind->needsValue && value.empty()) {
        *error = std::string(kind->name) + " needs =VALUE";
        return false;
    }
    if (!times.empty()) {
        uint32_t n = 0;
        if (!ParseNumber(times, 0x7FFFFFFF, &n) || n == 0) {
            *error = "bad count '" + times + "'";
            return false;
        }
        rule->remaining = n;
    }
    if (opsGiven && ops != "*") {
        rule->anyOpcode = false;
        size_t start = 0;
        while (start <= ops.size()) {
            const size_t comma = std::min(ops.find(',', start), ops.size());
            uint32_t op = 0;
            if (!ParseNumber(ops.substr(start, comma - start), 255, &op)) {
                *error = "bad opcode list '" + ops + "'";
                return false;
            }
            rule->opcodes.push_back(static_cast<uint8_t>(op));
            start = comma + 1;
        }
    }
    return true;
}

bool FaultPlan::Add(const std::string& ruleText, std::string* error) {
    FaultRule rule;
    if (!Parse(ruleText, &rule, error)) return false;
    rules_.push_back(std::move(rule));
    return true;
}

std::string FaultPlan::Describe() const {
    std::string out;
    for (const auto& r : rules_) {
        if (!out.empty()) out += ' ';
        out += r.text;
        if (r.remaining >= 0) {
            out += '(';
            out += std::to_string(r.remaining);
            out += " left)";
        }
    }
    return out.empty() ? "none" : out;
}

FaultDecision FaultPlan::Decide(uint8_t opcode) {
    FaultDecision d;
    for (auto& r : rules_) {
        if (r.kind == FaultKind::kHangup) {
            // Lets VALUE packets through; the line drops when the next one arrives.
            if (r.value == 0) {
                d.hangUp = true;
                r.remaining = 0;
            } else {
                --r.value;
            }
            continue;
        }
        const bool hit =
            r.anyOpcode ? opcode != proto::op::kReadStatus
                        : std::find(r.opcodes.begin(), r.opcodes.end(), opcode) != r.opcodes.end();
        if (!hit) continue;
        switch (r.kind) {
            case FaultKind::kStatus0: d.status0 = true; break;
            case FaultKind::kDelay: d.delayMs = r.value; break;
            case FaultKind::kLength: d.length = r.value; break;
            case FaultKind::kGarbage: d.garbage = r.value; break;
            case FaultKind::kTrickle: d.gapMs = r.value; break;
            case FaultKind::kSilent: d.silent = true; break;
            case FaultKind::kHangup: break;
        }
        if (r.remaining > 0) --r.remaining;
    }
    rules_.erase(std::remove_if(rules_.begin(), rules_.end(),
                                [](const FaultRule& r) { return r.remaining == 0; }),
                 rules_.end());
    return d;
}

std::vector<uint8_t> ShapeReply(const std::vector<uint8_t>& data, const FaultDecision& d) {
    if (d.silent || data.empty()) return {};
    if (d.garbage >= 0) {
        // Starts with a length no reply can have, so the host cannot take it for one.
        std::vector<uint8_t> junk;
        uint8_t v = 0xA5;
        for (int64_t i = 0; i < d.garbage; ++i) {
            junk.push_back(v);
            v = static_cast<uint8_t>(v * 5 + 0x3B);
        }
        return junk;
    }
    if (d.length < 0) return proto::FrameReply(data.data(), static_cast<uint16_t>(data.size()));
    const size_t announced = static_cast<size_t>(std::min<int64_t>(d.length, 0xFFFF));
    std::vector<uint8_t> out{static_cast<uint8_t>(announced), static_cast<uint8_t>(announced >> 8)};
    // Send as many bytes as announced (up to a few KiB) so that a short read can also be seen.
    const size_t body = std::min<size_t>(announced, std::max<size_t>(data.size(), 4096));
    for (size_t i = 0; i < body; ++i) out.push_back(i < data.size() ? data[i] : 0);
    return out;
}

}  // namespace txorb::sim
