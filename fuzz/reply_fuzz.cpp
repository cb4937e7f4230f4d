// Arbitrary bytes arriving on the serial side while the library waits for a reply: every
// exchange shape (status, query of any capacity, the query exports, the bulk list transfer and
// the bitmap line) must give a code, never read or write outside its buffers, and never wait.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz_input.h"
#include "link/exchange.h"
#include "txorb/txorb.h"

namespace txorb::fuzz {
namespace {

void RunQuery(uint16_t capacity) {
    // Exactly capacity bytes on the heap, so one byte too many is caught.
    std::unique_ptr<uint8_t[]> reply(new uint8_t[capacity]);
    for (uint16_t i = 0; i < capacity; ++i) reply[i] = 0xA5;
    const ErrorCode code = link::ExecuteQueryCommand(120, nullptr, 0, reply.get(), capacity);
    // Only a reception failure promises zeros; a failed send leaves the buffer alone.
    if (code != err::kOk && code != err::kSerialSendFailed) {
        for (uint16_t i = 0; i < capacity; ++i) {
            if (reply[i] != 0) __builtin_trap();  // a failed query leaves zeros
        }
    }
}

// Every exchange shape the library has, by number.
void RunShape(uint8_t shape, FuzzInput& in) {
    int16_t x = 0, y = 0;
    uint16_t word = 0;
    switch (shape % 20) {
        case 0: link::ExecuteStatusCommand(93, nullptr, 8); break;
        case 1: RunQuery(in.Take<uint16_t>()); break;
        case 2: Get_XY_Pos(&x, &y); break;
        case 3: Get_Counts(); break;
        case 4: Read_Status(); break;
        case 5: Get_Ident_Ex(); break;
        case 6: Get_Mode_Mask(&word); break;
        case 7: Get_Mark_Speed(); break;
        case 8: Get_Manual_Move(); break;
        case 9: Get_XY_Manual(&x, &y); break;
        case 10: Read_Port(in.Take<uint16_t>(), &word); break;
        case 11: Read_DSR_State(&word); break;
        case 12: {
            int32_t field = 0;
            double d[7] = {};
            Get_3D_Parameters(&field, &d[0], &d[1], &d[2], &d[3], &d[4], &d[5], &d[6], 1);
            break;
        }
        case 13: Get_CPU_Type(); break;
        case 14: Execute_List_1(); break;
        case 15: {
            uint16_t delays[16] = {};
            Put_Bitmapline_List(0, 0, 100, 0, delays,
                                static_cast<uint16_t>(in.Take<uint8_t>() % 17));
            break;
        }
        case 16: {
            // A short list: the bulk transfer happens at the end-of-list record.
            const uint8_t records = in.Take<uint8_t>();
            for (uint8_t i = 0; i < records; ++i) Mark_Abs(static_cast<int16_t>(i), 0);
            Set_End_Of_List();
            break;
        }
        case 17: Set_DXDY_Manual(1, 2); break;
        case 18: Goto_XY_Ex(3, 4); break;
        default: Stop_Execution(); break;
    }
}

}  // namespace
}  // namespace txorb::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace txorb::fuzz;
    InstallScriptedCard(3, 50);
    FuzzInput in(data, size);
    // Each step: shape, read size, reply length, shape arguments, then the reply bytes.
    for (int step = 0; step < 16 && !in.Empty(); ++step) {
        const uint8_t shape = in.Take<uint8_t>();
        const uint8_t chunk = in.Take<uint8_t>();
        const uint16_t replyLength = in.Take<uint16_t>();
        const uint8_t flags = in.Take<uint8_t>();
        g_line = ScriptedLine{};
        g_line.chunk = chunk == 0 ? 512 : chunk;
        g_line.writesFail = (flags & 1) != 0;
        g_line.dsr = (flags & 2) != 0;
        // The shape's own arguments come before the reply so that the reply can run to the end.
        const size_t argsStart = size - in.Remaining();
        size_t argBytes = 0;
        in.TakeBlock(3, &argBytes);
        FuzzInput shapeArgs(data + argsStart, argBytes);
        g_line.bytes = in.TakeBlock(replyLength % 2048, &g_line.size);
        RunShape(shape, shapeArgs);
        g_line.armed = false;
    }
    return 0;
}
