// Status and identity queries. Each answers with its value, or with its preset value (0, or
// 65535 for the CPU type) when the card could not be asked.
#include "api/report.h"
#include "commands/status_queries.h"
#include "txorb/txorb.h"

using namespace txorb;
namespace op = txorb::commands::opcode;

namespace {

uint16_t Word(uint8_t opcode, uint16_t preset, ErrorCode* code = nullptr) {
    uint16_t value = preset;
    const ErrorCode result = commands::QueryWord(opcode, &value);
    if (code != nullptr) *code = result;
    return result == err::kOk ? value : preset;
}

uint32_t Long(uint8_t opcode) {
    uint32_t value = 0;
    return commands::QueryLong(opcode, &value) == err::kOk ? value : 0;
}

}  // namespace

extern "C" {

// The status poll is never copied to a capture file: the card's link does that by opcode.
TXORB_EXPORT(uint16_t) Read_Status(void) {
    const uint16_t status = Word(op::kReadStatus, 0);
    api::Trace("usStatus=0x%04X", status);
    return status;
}

TXORB_EXPORT(int32_t) Get_Counts(void) {
    const auto counts = static_cast<int32_t>(Long(op::kGetCounts));
    api::Trace("nCounts=%d", counts);
    return counts;
}

TXORB_EXPORT(uint16_t) Get_Head_Mask(void) {
    const uint16_t heads = Word(op::kGetHeadMask, 0);
    api::Trace("usHeads =%d", heads);
    return heads;
}

TXORB_EXPORT(uint16_t) Get_Version(void) {
    const uint16_t version = Word(op::kGetVersion, 0);
    api::Trace("usVersion=%d", version);
    return version;
}

TXORB_EXPORT(uint16_t) Get_KRT1_Version(void) {
    const uint16_t version = Word(op::kGetKrt1Version, 0);
    api::Trace("usKRT1_Version=%d", version);
    return version;
}

TXORB_EXPORT(uint32_t) Get_Ident_Ex(void) {
    const uint32_t ident = Long(op::kGetIdentEx);
    api::Trace("uiIdent=%d", static_cast<int>(ident));
    return ident;
}

// Returns the code itself, not a success flag. A null pointer is refused before the card is
// asked, as every other output pointer is.
TXORB_EXPORT(uint32_t) Get_Mode_Mask(uint16_t* mode) {
    if (mode == nullptr) {
        api::ReportError(err::kInvalidPointer, __func__);
        return err::kInvalidPointer;
    }
    ErrorCode code = err::kOk;
    *mode = Word(op::kGetModeMask, 0, &code);
    api::Trace("usMode=%X", *mode);
    api::ReportError(code, __func__);
    return code;
}

TXORB_EXPORT(uint16_t) Read_Int_Start_Attempts(void) {
    ErrorCode code = err::kOk;
    const uint16_t attempts = Word(op::kReadIntStartAttempts, 0, &code);
    api::ReportError(code, __func__);
    return attempts;
}

TXORB_EXPORT(uint16_t) Get_CPU_Type(void) {
    ErrorCode code = err::kOk;
    const uint16_t type = Word(op::kGetCpuType, 0xFFFF, &code);
    api::Trace("usCPUType = %d", type);
    api::ReportError(code, __func__);
    return type;
}

TXORB_EXPORT(bool) Set_3DMode(void) { return commands::Switch3DMode(true) == err::kOk; }
TXORB_EXPORT(bool) Reset_3DMode(void) { return commands::Switch3DMode(false) == err::kOk; }

TXORB_EXPORT(uint16_t) Get_KRT1_Mode(void) { return 1; }

// The card has a single control mode; the call is kept for programs that select it.
TXORB_EXPORT(bool) Set_Control_Mode(uint16_t usControl_Mode) {
    api::Trace("usControl_Mode=%d", usControl_Mode);
    return true;
}

}  // extern "C"
