// Manual operation and positioning of the scan head.
#include "api/report.h"
#include "commands/manual.h"
#include "common/process_state.h"
#include "txorb/txorb.h"

using namespace txorb;
namespace op = txorb::commands::opcode;

namespace {

bool Quiet(ErrorCode code) { return code == err::kOk; }

// Two independent reads: each value is 0 when its own exchange failed, and the call still
// succeeds, since the caller gets a defined value for both.
bool ReadPair(uint8_t firstOpcode, uint8_t secondOpcode, int16_t* first, int16_t* second) {
    if (first == nullptr || second == nullptr) {
        StoreLastErrorCode(err::kInvalidPointer);
        return false;
    }
    (void)commands::QueryCoordinate(firstOpcode, first);
    (void)commands::QueryCoordinate(secondOpcode, second);
    return true;
}

}  // namespace

extern "C" {

bool Start_Manual_Operation(void) { return Quiet(commands::ManualOperation(true)); }
bool Stop_Manual_Operation(void) { return Quiet(commands::ManualOperation(false)); }
bool Start_Laser_Manually(void) { return Quiet(commands::LaserManually(true)); }
bool Stop_Laser_Manually(void) { return Quiet(commands::LaserManually(false)); }
bool Start_Manual_Move(void) { return Quiet(commands::ManualMove(true)); }
bool Stop_Manual_Move(void) { return Quiet(commands::ManualMove(false)); }

uint8_t Get_Manual_Move(void) {
    uint8_t state = 0;
    return commands::GetManualMove(&state) == err::kOk ? state : 0;
}

bool Set_DXDY_Manual(int16_t ssDXManual, int16_t ssDYManual) {
    api::Trace("ssDXManual=%d ssDYManual=%d", ssDXManual, ssDYManual);
    return Quiet(commands::SetDxDyManual(ssDXManual, ssDYManual));
}

bool Get_XY_Manual(int16_t* x, int16_t* y) {
    const bool ok = ReadPair(op::kGetXManual, op::kGetYManual, x, y);
    if (ok) api::Trace("pYManual=%d pYManual=%d", *x, *y);
    return ok;
}

bool Get_DXDY_Manual(int16_t* x, int16_t* y) {
    const bool ok = ReadPair(op::kGetDxManual, op::kGetDyManual, x, y);
    if (ok) api::Trace("pDXManual=%d pDYManual=%d", *x, *y);
    return ok;
}

bool Goto_XY(int16_t ssXPos, int16_t ssYPos) {
    api::Trace("ssXPos=%d ssYPos=%d", ssXPos, ssYPos);
    return api::Frame(commands::GotoXY(ssXPos, ssYPos), "Goto_XY");
}

bool Goto_XY_Ex(int16_t ssXPos, int16_t ssYPos) {
    api::Trace("ssXPos=%d ssYPos=%d", ssXPos, ssYPos);
    return api::Frame(commands::GotoXYEx(ssXPos, ssYPos), "Goto_XY_Ex");
}

// The one position query whose outcome, success included, is left for Get_Last_Error_Code.
bool Get_XY_Pos(int16_t* pXPos, int16_t* pYPos) {
    const ErrorCode code = commands::GetXYPos(pXPos, pYPos);
    if (pXPos != nullptr && pYPos != nullptr) api::Trace("pXPos=%d pYPos=%d", *pXPos, *pYPos);
    api::ReportError(code, "Get_XY_Pos");
    StoreLastErrorCode(code);
    return code == err::kOk;
}

}  // extern "C"
