// The vector list exports: jumps, marks, polylines, dots, 3D vectors and the end of the list.
// Jumps and polylines are first offered to the vector capture; while it is switched on they
// are recorded there and nothing is appended.
#include "api/report.h"
#include "common/wire_opcodes.h"
#include "list/list_buffer.h"
#include "list/vector_capture.h"
#include "txorb/txorb.h"

using namespace txorb;

namespace {

uint16_t Word(int16_t value) { return static_cast<uint16_t>(value); }

ErrorCode AppendVector(uint8_t opcode, int16_t x, int16_t y) {
    return list::AppendListRecord(opcode, Word(x), Word(y));
}

// A vector whose failure is reported as the code itself.
bool ReportedVector(uint8_t opcode, int16_t x, int16_t y, const char* apiName) {
    api::Trace("ssXVal=%d ssYVal=%d", x, y);
    return api::Frame(AppendVector(opcode, x, y), apiName);
}

// A captured vector reported as the code itself (also 0 when the capture took it).
bool CapturedReportedVector(uint8_t opcode, int16_t x, int16_t y, const char* apiName) {
    api::Trace("ssXVal=%d ssYVal=%d", x, y);
    if (list::TheVectorCapture().CaptureVector(opcode, x, y)) {
        api::ReportError(err::kOk, apiName);
        return true;
    }
    return api::Frame(AppendVector(opcode, x, y), apiName);
}

// A captured vector that reports nothing.
bool CapturedSilentVector(uint8_t opcode, int16_t x, int16_t y) {
    api::Trace("ssXVal=%d ssYVal=%d", x, y);
    if (list::TheVectorCapture().CaptureVector(opcode, x, y)) return api::Quiet(err::kOk);
    return api::Quiet(AppendVector(opcode, x, y));
}

// Jumps hide the cause of a failure behind "Function call failed". A captured jump is not
// reported, only recorded.
bool CapturedJump(uint8_t opcode, int16_t x, int16_t y, const char* apiName) {
    api::Trace("ssXVal=%d ssYVal=%d", x, y);
    if (list::TheVectorCapture().CaptureVector(opcode, x, y)) return api::Quiet(err::kOk);
    const ErrorCode code = AppendVector(opcode, x, y);
    api::ReportError(code == err::kOk ? err::kOk : err::kFunctionCallFailed, apiName);
    return code == err::kOk;
}

ErrorCode AppendVector3D(uint8_t firstOpcode, int16_t x, int16_t y, int16_t z, int16_t n) {
    api::Trace("ssXVal=%d ssYVal=%d ssZVal=%d ssNVal=%d", x, y, z, n);
    return list::Append3dListRecords(firstOpcode, static_cast<uint8_t>(firstOpcode + 1), Word(x),
                                     Word(y), Word(z), Word(n));
}

}  // namespace

extern "C" {

TXORB_EXPORT(bool) Mark_Abs(int16_t ssXVal, int16_t ssYVal) {
    return ReportedVector(list_op::kMarkAbs, ssXVal, ssYVal, __func__);
}
TXORB_EXPORT(bool) Mark_Rel(int16_t ssXVal, int16_t ssYVal) {
    return ReportedVector(list_op::kMarkRel, ssXVal, ssYVal, __func__);
}
TXORB_EXPORT(bool) Mark_Abs_Dot(int16_t ssXVal, int16_t ssYVal) {
    return ReportedVector(list_op::kMarkDot, ssXVal, ssYVal, __func__);
}

TXORB_EXPORT(bool) PolA_Abs(int16_t ssXVal, int16_t ssYVal) {
    return CapturedReportedVector(list_op::kPolA, ssXVal, ssYVal, __func__);
}
TXORB_EXPORT(bool) PolB_Abs(int16_t ssXVal, int16_t ssYVal) {
    return CapturedReportedVector(list_op::kPolB, ssXVal, ssYVal, __func__);
}
TXORB_EXPORT(bool) PolC_Abs(int16_t ssXVal, int16_t ssYVal) {
    return CapturedReportedVector(list_op::kPolC, ssXVal, ssYVal, __func__);
}
TXORB_EXPORT(bool) PolA_Abs_Dot(int16_t ssXVal, int16_t ssYVal) {
    return CapturedReportedVector(list_op::kPolADot, ssXVal, ssYVal, __func__);
}
TXORB_EXPORT(bool) PolB_Abs_Dot(int16_t ssXVal, int16_t ssYVal) {
    return CapturedReportedVector(list_op::kPolBDot, ssXVal, ssYVal, __func__);
}
TXORB_EXPORT(bool) PolC_Abs_Dot(int16_t ssXVal, int16_t ssYVal) {
    return CapturedReportedVector(list_op::kPolCDot, ssXVal, ssYVal, __func__);
}

TXORB_EXPORT(bool) PolA_Rel(int16_t ssXVal, int16_t ssYVal) {
    return CapturedSilentVector(list_op::kPolARel, ssXVal, ssYVal);
}
TXORB_EXPORT(bool) PolB_Rel(int16_t ssXVal, int16_t ssYVal) {
    return CapturedSilentVector(list_op::kPolBRel, ssXVal, ssYVal);
}
TXORB_EXPORT(bool) PolC_Rel(int16_t ssXVal, int16_t ssYVal) {
    return CapturedSilentVector(list_op::kPolCRel, ssXVal, ssYVal);
}
TXORB_EXPORT(bool) Reset_Jump_List(int16_t ssXVal, int16_t ssYVal) {
    return CapturedSilentVector(list_op::kResetJump, ssXVal, ssYVal);
}
TXORB_EXPORT(bool) Reset_Jump_List_Rel(int16_t ssXVal, int16_t ssYVal) {
    return CapturedSilentVector(list_op::kResetJumpRel, ssXVal, ssYVal);
}

TXORB_EXPORT(bool) Jump_Abs(int16_t ssXVal, int16_t ssYVal) {
    return CapturedJump(list_op::kJumpAbs, ssXVal, ssYVal, __func__);
}
TXORB_EXPORT(bool) Jump_Rel(int16_t ssXVal, int16_t ssYVal) {
    return CapturedJump(list_op::kJumpRel, ssXVal, ssYVal, __func__);
}

TXORB_EXPORT(bool) Jump_Abs_3D(int16_t ssXVal, int16_t ssYVal, int16_t ssZVal, int16_t ssNVal) {
    const ErrorCode code = AppendVector3D(list_op::kJump3D, ssXVal, ssYVal, ssZVal, ssNVal);
    api::ReportError(code == err::kOk ? err::kOk : err::kFunctionCallFailed, __func__);
    return code == err::kOk;
}
TXORB_EXPORT(bool) Mark_Abs_3D(int16_t ssXVal, int16_t ssYVal, int16_t ssZVal, int16_t ssNVal) {
    return api::Frame(AppendVector3D(list_op::kMark3D, ssXVal, ssYVal, ssZVal, ssNVal), __func__);
}
TXORB_EXPORT(bool) PolA_Abs_3D(int16_t ssXVal, int16_t ssYVal, int16_t ssZVal, int16_t ssNVal) {
    return api::Frame(AppendVector3D(list_op::kPolA3D, ssXVal, ssYVal, ssZVal, ssNVal), __func__);
}
TXORB_EXPORT(bool) PolB_Abs_3D(int16_t ssXVal, int16_t ssYVal, int16_t ssZVal, int16_t ssNVal) {
    return api::Frame(AppendVector3D(list_op::kPolB3D, ssXVal, ssYVal, ssZVal, ssNVal), __func__);
}
TXORB_EXPORT(bool) PolC_Abs_3D(int16_t ssXVal, int16_t ssYVal, int16_t ssZVal, int16_t ssNVal) {
    return api::Frame(AppendVector3D(list_op::kPolC3D, ssXVal, ssYVal, ssZVal, ssNVal), __func__);
}

// With the capture on, the end of the list rewrites and replays everything recorded; the
// replay ends with the end record itself.
TXORB_EXPORT(bool) Set_End_Of_List(void) {
    list::VectorCapture& capture = list::TheVectorCapture();
    if (capture.CaptureVector(list_op::kEndOfList, 0, 0)) return api::Quiet(capture.FinishList());
    return api::Quiet(list::AppendListRecord(list_op::kEndOfList, 0, 0));
}

}  // extern "C"
