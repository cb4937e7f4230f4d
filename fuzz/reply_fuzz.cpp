// Arbitrary bytes arriving on the serial side while the library waits for a reply: every
// exchange shape (status, query of any capacity, the query exports, the bulk list transfer and
// the bitmap line) must give a code, never read or write outside its buffers, and never wait.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz_input.h"
#include "link/card.h"
#include "link/card_table.h"
#include "link/exchange.h"
#include "platform/serial_port.h"
#include "scripted_card.h"
#include "txorb/txorb.h"

namespace txorb::fuzz {
namespace {

// The device side of the line: silent until a request has been written, then the scripted
// bytes in reads of a scripted size, then gone (so an exhausted script never waits).
struct ScriptedLine {
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    size_t pos = 0;
    size_t chunk = 1;
    bool armed = false;
    bool writesFail = false;
    bool dsr = false;
};
ScriptedLine g_line;

platform::SerialPortMethods LineMethods() {
    platform::SerialPortMethods m = fuzz::InertPortMethods();
    m.write = [](platform::SerialHandle, const uint8_t*, size_t, uint32_t) {
        if (g_line.writesFail) return false;
        g_line.armed = true;
        return true;
    };
    m.read = [](platform::SerialHandle, uint8_t* buffer, size_t capacity, uint32_t, size_t* got) {
        *got = 0;
        if (!g_line.armed) return platform::SerialReadResult::kTimeout;
        if (g_line.pos >= g_line.size) return platform::SerialReadResult::kError;
        size_t n = g_line.size - g_line.pos;
        if (n > g_line.chunk) n = g_line.chunk;
        if (n > capacity) n = capacity;
        for (size_t i = 0; i < n; ++i) buffer[i] = g_line.bytes[g_line.pos + i];
        g_line.pos += n;
        *got = n;
        return platform::SerialReadResult::kData;
    };
    m.getDsr = [](platform::SerialHandle, bool* on) {
        *on = g_line.dsr;
        return true;
    };
    return m;
}

void InstallCardOnce() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    static const platform::SerialPortMethods methods = LineMethods();
    fuzz::InstallScriptedCard(&methods, 3, 50);
}

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

void RunShape(uint8_t shape, FuzzInput& in) {
    switch (shape % 20) {
        case 0: link::ExecuteStatusCommand(93, nullptr, 8); break;
        case 1: RunQuery(in.Take<uint16_t>()); break;
        case 2: {
            int16_t x = 0, y = 0;
            Get_XY_Pos(&x, &y);
            break;
        }
        case 3: Get_Counts(); break;
        case 4: Read_Status(); break;
        case 5: Get_Ident_Ex(); break;
        case 6: {
            uint16_t mode = 0;
            Get_Mode_Mask(&mode);
            break;
        }
        case 7: Get_Mark_Speed(); break;
        case 8: Get_Manual_Move(); break;
        case 9: {
            int16_t x = 0, y = 0;
            Get_XY_Manual(&x, &y);
            break;
        }
        case 10: {
            uint16_t value = 0;
            Read_Port(in.Take<uint16_t>(), &value);
            break;
        }
        case 11: {
            uint16_t state = 0;
            Read_DSR_State(&state);
            break;
        }
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
            const uint16_t n = static_cast<uint16_t>(in.Take<uint8_t>() % 17);
            Put_Bitmapline_List(0, 0, 100, 0, delays, n);
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
    InstallCardOnce();
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
