#include "delivery_check.h"

#include <fstream>
#include <iterator>
#include <unordered_map>
#include <unordered_set>

#include "proto/list_records.h"
#include "proto/opcodes.h"
#include "proto/packet.h"

namespace txorb::soak {
namespace {

std::string Hex(const std::vector<uint8_t>& bytes) {  // as the log writes a payload
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) out += {kDigits[b >> 4], kDigits[b & 15]};
    return out;
}

std::string Field(const std::string& line, const std::string& name) {
    const size_t at = line.find("\"" + name + "\":");
    if (at == std::string::npos) return "";
    const size_t from = line.find_first_not_of('"', at + name.size() + 3);
    return line.substr(from, line.find_first_of("\",}", from) - from);
}

// The list packets the card carried out, in order: the log names each packet as it arrives,
// before the card answers; a hang-up instead of the answer, or status 0, means it did not.
std::vector<std::string> CarriedOut(const std::string& log, int64_t* hangups) {
    std::ifstream in(log);
    std::vector<std::string> out;
    std::string pending;
    for (std::string line; std::getline(in, line);) {
        const std::string event = Field(line, "event");
        *hangups += event == "hangup";
        if (event != "packet" && event != "reply" && event != "hangup") continue;
        const bool refused = event == "hangup" || Field(line, "bytes") == "010000";
        if (!pending.empty() && !refused) out.push_back(pending);
        pending = event == "packet" && Field(line, "opcode") == "156" ? Field(line, "payload") : "";
    }
    if (!pending.empty()) out.push_back(pending);
    return out;
}

}  // namespace

void CheckDelivery(const std::vector<CaptureSession>& sessions, const std::string& log, int tag,
                   Counts* counts) {
    Counts& c = *counts;
    const std::vector<std::string> carried = CarriedOut(log, &c["hang-ups"]);
    std::unordered_map<std::string, std::vector<int64_t>> where;  // payload: positions in the log
    for (size_t i = 0; i < carried.size(); ++i) where[carried[i]].push_back(int64_t(i));
    std::unordered_set<std::string> captured;
    int64_t lastPosition = -1;
    for (const auto& session : sessions) {
        std::ifstream in(session.path, std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        std::vector<proto::Packet> packets;
        proto::PacketParser().Feed(bytes.data(), bytes.size(), &packets);
        int64_t end = 0;
        for (const auto& packet : packets) {
            end += int64_t(packet.raw.size());
            if (packet.opcode != proto::op::kListRecords) continue;
            std::vector<proto::ListRecord> records;
            proto::DecodeListRecords(packet.payload.data(), packet.payload.size(), &records);
            for (const auto& r : records) {
                c["misrouted"] += r.opcode != proto::list_op::kSetEndOfList &&
                                  (int16_t(r.param1) % 10 + 10) % 10 != tag;
            }
            c["records captured"] += int64_t(records.size());
            bool failed = false;
            for (const auto& [from, to] : session.failedRanges) failed |= end > from && end <= to;
            const auto found = where.find(*captured.insert(Hex(packet.payload)).first);
            const size_t copies = found == where.end() ? 0 : found->second.size();
            c["duplicated"] += copies > 1;
            if (failed) {
                ++c["transfers failed"];
                c["failed but stored"] += copies == 1;
                continue;
            }
            ++c["transfers sent"];
            c["records sent"] += int64_t(records.size());
            c["lost"] += copies == 0;
            if (copies != 1) continue;
            c["reordered"] += found->second.front() < lastPosition;
            lastPosition = found->second.front();
            c["records carried out"] += int64_t(records.size());
        }
    }
    for (const auto& hex : carried) c["unknown"] += captured.count(hex) == 0;
}

}  // namespace txorb::soak
