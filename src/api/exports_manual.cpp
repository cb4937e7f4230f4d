// Manual operation and positioning of the scan head.
#include "api/report.h"
#include "commands/manual.h"
#include "common/process_state.h"
#include "txorb/txorb.h"

using namespace txorb;

namespace {

// Two independent reads: each value is 0 when its own exchange failed, and the call still
// succeeds, since the caller gets a defined value for both. The outcome is the first read's
// failure, else the second's.
bool ReadPair(uint8_t firstOpcode, uint8_t secondOpcode, int16_t* first, int16_t* second) {
    if (first == nullptr || second == nullptr) {
        StoreLastErrorCode(err::kInvalidPointer);
        api::RecordOutcome(err::kInvalidPointer);
        return false;
    }
    const ErrorCode firstCode = commands::QueryCoordinate(firstOpcode, first);
    const ErrorCode secondCode = commands::QueryCoordinate(secondOpcode, second);
    api::RecordOutcome(firstCode != err::kOk ? firstCode : secondCode);
    return true;
}

}  // namespace

extern "C" {

TXORB_EXPORT(bool) Start_Manual_Operation(void) {
    return api::Quiet(commands::ManualOperation(true));
}
TXORB_EXPORT(bool) Stop_Manual_Operation(void) {
    return api::Quiet(commands::ManualOperation(false));
}
TXORB_EXPORT(bool) Start_Laser_Manually(void) { return api::Quiet(commands::LaserManually(true)); }
TXORB_EXPORT(bool) Stop_Laser_Manually(void) { return api::Quiet(commands::LaserManually(false)); }
TXORB_EXPORT(bool) Start_Manual_Move(void) { return api::Quiet(commands::ManualMove(true)); }
TXORB_EXPORT(bool) Stop_Manual_Move(void) { return api::Quiet(commands::ManualMove(false)); }

TXORB_EXPORT(uint8_t) Get_Manual_Move(void) {
    uint8_t state = 0;
    const ErrorCode code = commands::GetManualMove(&state);
    return api::Answer<uint8_t>(code == err::kOk ? state : 0, code);
}

TXORB_EXPORT(bool) Set_DXDY_Manual(int16_t ssDXManual, int16_t ssDYManual) {
    api::Trace("ssDXManual=%d ssDYManual=%d", ssDXManual, ssDYManual);
    return api::Quiet(commands::SetDxDyManual(ssDXManual, ssDYManual));
}

TXORB_EXPORT(bool) Get_XY_Manual(int16_t* x, int16_t* y) {
    const bool ok = ReadPair(opcode::kGetXManual, opcode::kGetYManual, x, y);
    if (ok) api::Trace("pYManual=%d pYManual=%d", *x, *y);
    return ok;
}

TXORB_EXPORT(bool) Get_DXDY_Manual(int16_t* x, int16_t* y) {
    const bool ok = ReadPair(opcode::kGetDxManual, opcode::kGetDyManual, x, y);
    if (ok) api::Trace("pDXManual=%d pDYManual=%d", *x, *y);
    return ok;
}

TXORB_EXPORT(bool) Goto_XY(int16_t ssXPos, int16_t ssYPos) {
    api::Trace("ssXPos=%d ssYPos=%d", ssXPos, ssYPos);
    return api::Frame(commands::GotoXY(ssXPos, ssYPos), __func__);
}

TXORB_EXPORT(bool) Goto_XY_Ex(int16_t ssXPos, int16_t ssYPos) {
    api::Trace("ssXPos=%d ssYPos=%d", ssXPos, ssYPos);
    return api::Frame(commands::GotoXYEx(ssXPos, ssYPos), __func__);
}

// The one position query whose outcome, success included, is left for Get_Last_Error_Code.
TXORB_EXPORT(bool) Get_XY_Pos(int16_t* pXPos, int16_t* pYPos) {
    const ErrorCode code = commands::GetXYPos(pXPos, pYPos);
    if (pXPos != nullptr && pYPos != nullptr) api::Trace("pXPos=%d pYPos=%d", *pXPos, *pYPos);
    api::ReportError(code, __func__);
    StoreLastErrorCode(code);
    return code == err::kOk;
}

}  // extern "C"
