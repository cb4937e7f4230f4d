#include "cli/commands/card_timing.h"

#include "cli/run/library_errors.h"
#include "proto/list_packets.h"
#include "proto/opcodes.h"
#include "txorb/txorb.h"

namespace txorb::cli {
namespace {

constexpr uint16_t kCaptureMode = 0x200;  // Set_Mode: rewrite polylines with power ramps

// The delays the command line may give, in the order they are sent: each with its export and
// the opcode that export sends.
struct Delay {
    const std::optional<uint16_t>& value;
    bool (*set)(uint16_t);
    const char* name;
    uint8_t opcode;
};

std::vector<Delay> Delays(const MarkOptions& o) {
    namespace op = proto::op;
    return {{o.laserOnDelay, Set_Laser_On_Delay, "Set_Laser_On_Delay", op::kSetLaserOnDelay},
            {o.laserOffDelay, Set_Laser_Off_Delay, "Set_Laser_Off_Delay", op::kSetLaserOffDelay},
            {o.jumpDelay, Set_Jump_Delay, "Set_Jump_Delay", op::kSetJumpDelay},
            {o.markDelay, Set_Mark_Delay, "Set_Mark_Delay", op::kSetMarkDelay},
            {o.polyDelay, Set_Poly_Delay, "Set_Poly_Delay", op::kSetPolyDelay}};
}

}  // namespace

bool SetCardTiming(const MarkOptions& o, std::string* failure) {
    auto fail = [failure](const char* name) {
        *failure = ExportFailure(name);
        return false;
    };
    if (!Set_Mark_Speed(o.markSpeed)) return fail("Set_Mark_Speed");
    if (!Set_Jump_Speed(o.jumpSpeed)) return fail("Set_Jump_Speed");
    for (const Delay& d : Delays(o)) {
        if (d.value && !d.set(*d.value)) return fail(d.name);
    }
    if (o.ramps) {
        if (!Set_Mode(kCaptureMode)) return fail("Set_Mode");
        const double slope =
            o.slope > 0 ? o.slope : o.markSpeed * o.markSpeed / (2.0 * o.rampLength);
        Set_Custlist_Parameters(o.leadInPercent, o.leadOutPercent, slope, o.microSegment);
    }
    return true;
}

std::vector<proto::Packet> CardTimingPackets(const MarkOptions& o) {
    std::vector<proto::Packet> out = {
        proto::RequestPacket(proto::op::kSetMarkSpeed, proto::DoublePayload(o.markSpeed)),
        proto::RequestPacket(proto::op::kSetJumpSpeed, proto::DoublePayload(o.jumpSpeed))};
    for (const Delay& d : Delays(o)) {
        if (d.value) out.push_back(proto::RequestPacket(d.opcode, proto::WordPayload(*d.value)));
    }
    return out;
}

}  // namespace txorb::cli
