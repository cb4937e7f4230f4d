#include "cli/commands/card_timing.h"

#include "cli/run/library_errors.h"
#include "txorb/txorb.h"

namespace txorb::cli {
namespace {

constexpr uint16_t kCaptureMode = 0x200;  // Set_Mode: rewrite polylines with power ramps

}  // namespace

bool SetCardTiming(const MarkOptions& o, std::string* failure) {
    struct Delay {
        const std::optional<uint16_t>& value;
        bool (*set)(uint16_t);
        const char* name;
    };
    const Delay delays[] = {{o.laserOnDelay, Set_Laser_On_Delay, "Set_Laser_On_Delay"},
                            {o.laserOffDelay, Set_Laser_Off_Delay, "Set_Laser_Off_Delay"},
                            {o.jumpDelay, Set_Jump_Delay, "Set_Jump_Delay"},
                            {o.markDelay, Set_Mark_Delay, "Set_Mark_Delay"},
                            {o.polyDelay, Set_Poly_Delay, "Set_Poly_Delay"}};
    auto fail = [failure](const char* name) {
        *failure = ExportFailure(name);
        return false;
    };
    if (!Set_Mark_Speed(o.markSpeed)) return fail("Set_Mark_Speed");
    if (!Set_Jump_Speed(o.jumpSpeed)) return fail("Set_Jump_Speed");
    for (const Delay& d : delays) {
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

}  // namespace txorb::cli
