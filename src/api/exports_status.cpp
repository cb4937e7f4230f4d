// Status and identity queries. Each answers with its value, or with its preset value (0, or
// 65535 for the CPU type) when the card could not be asked.
#include "api/report.h"
#include "commands/card_queries.h"
#include "txorb/txorb.h"

using namespace txorb;

namespace {

// Each query answers with its value, or with its preset when the exchange failed; the
// exchange's code is the outcome, and the reporter gets it only from the exports that report.
uint16_t Word(uint8_t opcode, uint16_t preset, ErrorCode* code) {
    uint16_t value = preset;
    *code = commands::QueryWord(opcode, &value);
    return *code == err::kOk ? value : preset;
}

uint16_t QuietWord(uint8_t opcode) {
    ErrorCode code = err::kOk;
    const uint16_t value = Word(opcode, 0, &code);
    return api::Answer(value, code);
}

uint32_t QuietLong(uint8_t opcode) {
    uint32_t value = 0;
    const ErrorCode code = commands::QueryLong(opcode, &value);
    return api::Answer<uint32_t>(code == err::kOk ? value : 0, code);
}

}  // namespace

extern "C" {

// The status poll is never copied to a capture file: the card's link does that by opcode.
TXORB_EXPORT(uint16_t) Read_Status(void) {
    const uint16_t status = QuietWord(opcode::kReadStatus);
    api::Trace("usStatus=0x%04X", status);
    return status;
}

TXORB_EXPORT(int32_t) Get_Counts(void) {
    const auto counts = static_cast<int32_t>(QuietLong(opcode::kGetCounts));
    api::Trace("nCounts=%d", counts);
    return counts;
}

TXORB_EXPORT(uint16_t) Get_Head_Mask(void) {
    const uint16_t heads = QuietWord(opcode::kGetHeadMask);
    api::Trace("usHeads =%d", heads);
    return heads;
}

TXORB_EXPORT(uint16_t) Get_Version(void) {
    const uint16_t version = QuietWord(opcode::kGetVersion);
    api::Trace("usVersion=%d", version);
    return version;
}

TXORB_EXPORT(uint16_t) Get_KRT1_Version(void) {
    const uint16_t version = QuietWord(opcode::kGetKrt1Version);
    api::Trace("usKRT1_Version=%d", version);
    return version;
}

TXORB_EXPORT(uint32_t) Get_Ident_Ex(void) {
    const uint32_t ident = QuietLong(opcode::kGetIdentEx);
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
    *mode = Word(opcode::kGetModeMask, 0, &code);
    api::Trace("usMode=%X", *mode);
    api::ReportError(code, __func__);
    return code;
}

TXORB_EXPORT(uint16_t) Read_Int_Start_Attempts(void) {
    ErrorCode code = err::kOk;
    const uint16_t attempts = Word(opcode::kReadIntStartAttempts, 0, &code);
    api::ReportError(code, __func__);
    return attempts;
}

TXORB_EXPORT(uint16_t) Get_CPU_Type(void) {
    ErrorCode code = err::kOk;
    const uint16_t type = Word(opcode::kGetCpuType, 0xFFFF, &code);
    api::Trace("usCPUType = %d", type);
    api::ReportError(code, __func__);
    return type;
}

TXORB_EXPORT(bool) Set_3DMode(void) { return api::Quiet(commands::Switch3DMode(true)); }
TXORB_EXPORT(bool) Reset_3DMode(void) { return api::Quiet(commands::Switch3DMode(false)); }

TXORB_EXPORT(uint16_t) Get_KRT1_Mode(void) { return api::Answer<uint16_t>(1, err::kOk); }

// The card has a single control mode; the call is kept for programs that select it.
TXORB_EXPORT(bool) Set_Control_Mode(uint16_t usControl_Mode) {
    api::Trace("usControl_Mode=%d", usControl_Mode);
    return api::Quiet(err::kOk);
}

}  // extern "C"
