#include "cli/run/list_player.h"

#include <vector>

#include "cli/run/interrupt.h"
#include "cli/run/library_errors.h"
#include "txorb/txorb.h"

namespace txorb::cli {
namespace {

using drawing::ListCommand;
using drawing::ListOp;
using drawing::ListProgram;

int16_t S16(int32_t v) { return static_cast<int16_t>(v); }
uint16_t U16(int32_t v) { return static_cast<uint16_t>(v); }

bool PlayBitmapLine(const drawing::BitmapLine& row) {
    std::vector<uint16_t> delays = row.delays;  // the export takes them writable
    return Put_Bitmapline_List(row.begin.x, row.begin.y, row.end.x, row.end.y, delays.data(),
                               static_cast<uint16_t>(delays.size()));
}

bool PlayDelays(const std::array<uint16_t, 9>& d) {
    return Set_Delays(d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7], d[8]);
}

// The command's export, called; false (and its name in *name) when it fails.
bool Play(const ListCommand& c, const ListProgram& program, const char** name) {
    switch (c.op) {
        case ListOp::kJump: *name = "Jump_Abs"; return Jump_Abs(S16(c.a), S16(c.b));
        case ListOp::kPolA: *name = "PolA_Abs"; return PolA_Abs(S16(c.a), S16(c.b));
        case ListOp::kPolB: *name = "PolB_Abs"; return PolB_Abs(S16(c.a), S16(c.b));
        case ListOp::kPolC: *name = "PolC_Abs"; return PolC_Abs(S16(c.a), S16(c.b));
        case ListOp::kMarkParameters:
            *name = "Set_Mark_Parameters_List";
            return Set_Mark_Parameters_List(U16(c.a), U16(c.b));
        case ListOp::kJumpParameters:
            *name = "Set_Jump_Parameters_List";
            return Set_Jump_Parameters_List(U16(c.a), U16(c.b));
        case ListOp::kPower: *name = "Write_Port_List"; return Write_Port_List(U16(c.a), U16(c.b));
        case ListOp::kDelays:
            *name = "Set_Delays";
            return PlayDelays(program.delays.at(static_cast<size_t>(c.a)));
        case ListOp::kBitmapLine:
            *name = "Put_Bitmapline_List";
            return PlayBitmapLine(program.bitmapLines.at(static_cast<size_t>(c.a)));
        case ListOp::kWaitForStart:
            *name = "Wait_For_External_Start";
            return Wait_For_External_Start();
        case ListOp::kEnd: *name = "Set_End_Of_List"; return Set_End_Of_List();
    }
    *name = "an unknown list command";
    return false;
}

}  // namespace

PlayOutcome PlayList(const ListProgram& program, size_t first) {
    PlayOutcome outcome;
    for (size_t i = first; i < program.commands.size(); ++i) {
        const ListCommand& c = program.commands[i];
        if (Interrupted()) {
            outcome.end = PlayOutcome::End::kInterrupted;
            return outcome;
        }
        const char* name = "";
        if (!Play(c, program, &name)) {
            outcome.end = PlayOutcome::End::kFailed;
            outcome.failure = ExportFailure(name);
            return outcome;
        }
        ++outcome.played;
        if (c.op == ListOp::kEnd) break;
    }
    return outcome;
}

}  // namespace txorb::cli
