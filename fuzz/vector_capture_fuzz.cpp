// The capture stage and the polyline rewrite on arbitrary lists: any order of jumps,
// polylines, marks and parameter records, with any custlist and step parameters (NaN and
// infinity included), must finish quickly and replay within bounds. A card that acknowledges
// every packet takes the replay, so the whole rewritten list goes through the record stream.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_input.h"
#include "list/vector_capture.h"
#include "txorb/txorb.h"

namespace txorb::fuzz {
namespace {

// Every request is answered with status 1.
constexpr uint8_t kAck[3] = {1, 0, 1};
constexpr int kMaxVectors = 24;
constexpr int kMaxSteps = 96;

}  // namespace
}  // namespace txorb::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace txorb::fuzz;
    InstallScriptedCard(4, 20);
    g_line = ScriptedLine{kAck, sizeof kAck, 0, sizeof kAck, false, true};
    FuzzInput in(data, size);
    Set_Mode(0x200);  // switches the capture on whatever the card answers
    {
        const double leadIn = in.Take<double>();
        const double leadOut = in.Take<double>();
        const double slope = in.Take<double>();
        Set_Custlist_Parameters(leadIn, leadOut, slope, in.Take<uint16_t>());
    }
    int vectors = 0;
    for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) {
        const uint8_t op = in.Take<uint8_t>();
        const int16_t x = in.Take<int16_t>();
        const int16_t y = in.Take<int16_t>();
        const uint16_t a = static_cast<uint16_t>(x);
        const uint16_t b = static_cast<uint16_t>(y);
        const bool vector = (op % 20) < 12;
        if (vector && ++vectors > kMaxVectors) break;
        switch (op % 20) {
            case 0: Jump_Abs(x, y); break;
            case 1: Jump_Rel(x, y); break;
            case 2: PolA_Abs(x, y); break;
            case 3: PolB_Abs(x, y); break;
            case 4: PolC_Abs(x, y); break;
            case 5: PolA_Rel(x, y); break;
            case 6: PolB_Rel(x, y); break;
            case 7: PolC_Rel(x, y); break;
            case 8: Mark_Abs(x, y); break;
            case 9: PolA_Abs_Dot(x, y); break;
            case 10: Reset_Jump_List(x, y); break;
            case 11: Mark_Rel(x, y); break;
            case 12: Set_Mark_Parameters_List(a, b); break;
            case 13: Set_Jump_Parameters_List(a, b); break;
            case 14: Set_Delays(a, b, a, b, a, b, a, b, b); break;
            case 15: {
                const double leadIn = in.Take<double>();
                const double leadOut = in.Take<double>();
                const double slope = in.Take<double>();
                Set_Custlist_Parameters(leadIn, leadOut, slope, a);
                break;
            }
            case 16: Set_Dot_Parameters_List(a, b); break;
            case 17: Laser_On(a); break;
            case 18:
                Set_End_Of_List();
                vectors = 0;
                break;
            default: Long_Delay(a); break;
        }
    }
    Set_End_Of_List();
    // Both record lists are empty again after the end of the list.
    if (!txorb::list::TheVectorCapture().CapturedRecords().empty()) __builtin_trap();
    if (!txorb::list::TheVectorCapture().OutputRecords().empty()) __builtin_trap();
    return 0;
}
