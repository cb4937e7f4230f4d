// The list exports that are not vectors: delays, laser switching, parameter records, port and
// counter commands and the list flow commands. Each appends its record(s) to the pending list;
// nothing reaches the card until a transfer is due.
#include "api/report.h"
#include "common/wire_opcodes.h"
#include "list/list_buffer.h"
#include "list/vector_capture.h"
#include "txorb/txorb.h"

using namespace txorb;

namespace {

uint16_t Word(int16_t value) { return static_cast<uint16_t>(value); }

// The list number travels as its index on the card: 0 for list 1. A number outside 1..3 is
// refused without a code in the last-error store; only the thread's outcome names it.
bool AppendListTarget(uint8_t opcode, int16_t iTargetList) {
    api::Trace("iTargetList=%d", iTargetList);
    if (iTargetList < 1 || iTargetList > 3) return api::Quiet(err::kInvalidListIndex);
    return api::Quiet(list::AppendListRecord(opcode, static_cast<uint16_t>(iTargetList - 1), 0));
}

}  // namespace

extern "C" {

TXORB_EXPORT(bool) Set_Delays(uint16_t usStepPeriod, uint16_t usJumpDelay, uint16_t usMarkDelay,
                              uint16_t usPolyDelay, uint16_t usLaserOffDelay,
                              uint16_t usLaserOnDelay, uint16_t usT1, uint16_t usT2,
                              uint16_t usT3) {
    api::Trace(
        "usStepPeriod=%d usJumpDelay=%d usMarkDelay=%d usPolyDelay=%d usLaserOffDelay=%d "
        "usLaserOnDelay=%d usT1=%d usT2=%d usT3=%d",
        usStepPeriod, usJumpDelay, usMarkDelay, usPolyDelay, usLaserOffDelay, usLaserOnDelay, usT1,
        usT2, usT3);
    list::TheVectorCapture().NoteDelays(usStepPeriod, usJumpDelay, usMarkDelay, usPolyDelay,
                                        usLaserOffDelay, usLaserOnDelay, usT1, usT2, usT3);
    const struct {
        uint8_t opcode;
        uint16_t param1;
        uint16_t param2;
    } records[] = {
        {list_op::kDelays12, usStepPeriod, usJumpDelay},
        {list_op::kDelays34, usMarkDelay, usPolyDelay},
        {list_op::kDelays56, usLaserOffDelay, usLaserOnDelay},
        {list_op::kDelays78, usT1, usT2},
        {list_op::kDelays910, usT3, 0},
    };
    ErrorCode code = err::kOk;
    for (const auto& r : records) {
        code = list::AppendListRecord(r.opcode, r.param1, r.param2);
        if (code != err::kOk) break;  // what was appended before stays pending or was sent
    }
    return api::Frame(code, __func__);
}

TXORB_EXPORT(bool) Set_Delays_1_2(uint16_t usStepPeriod, uint16_t usJumpDelay) {
    api::Trace("usStepPeriod=%d usJumpDelay=%d", usStepPeriod, usJumpDelay);
    return api::Quiet(list::AppendListRecord(list_op::kDelays12, usStepPeriod, usJumpDelay));
}
TXORB_EXPORT(bool) Set_Delays_3_4(uint16_t usMarkDelay, uint16_t usPolyDelay) {
    api::Trace("usMarkDelay=%d usPolyDelay=%d", usMarkDelay, usPolyDelay);
    return api::Quiet(list::AppendListRecord(list_op::kDelays34, usMarkDelay, usPolyDelay));
}
TXORB_EXPORT(bool) Set_Delays_5_6(uint16_t usLaserOffDelay, uint16_t usLaserOnDelay) {
    api::Trace("usLaserOffDelay=%d usLaserOnDelay=%d", usLaserOffDelay, usLaserOnDelay);
    return api::Quiet(list::AppendListRecord(list_op::kDelays56, usLaserOffDelay, usLaserOnDelay));
}
TXORB_EXPORT(bool) Set_Delays_7_8(uint16_t usT1, uint16_t usT2) {
    api::Trace("usT1=%d usT2=%d", usT1, usT2);
    return api::Quiet(list::AppendListRecord(list_op::kDelays78, usT1, usT2));
}
TXORB_EXPORT(bool) Set_Delays_9_10(uint16_t usT3, uint16_t usT4) {
    api::Trace("usT3=%d usT4=%d", usT3, usT4);
    return api::Quiet(list::AppendListRecord(list_op::kDelays910, usT3, usT4));
}

TXORB_EXPORT(bool) Set_JobControl_List(uint16_t usJobControlWORD) {
    api::Trace("usJobControlWORD=%d", usJobControlWORD);
    return api::Quiet(list::AppendListRecord(list_op::kJobControl, usJobControlWORD, 0));
}

TXORB_EXPORT(bool) Set_Head_Mask(uint16_t usHead_N) {
    api::Trace("usHead_N=%d", usHead_N);
    // Four heads at most, and a record for no head at all would be meaningless.
    if (usHead_N < 1 || usHead_N > 15) return api::Quiet(err::kParameterOutOfBounds);
    return api::Quiet(list::AppendListRecord(list_op::kHeadMask, usHead_N, 0));
}

TXORB_EXPORT(bool) Skip_Var_List(int16_t ssEntries, uint16_t usMASK) {
    api::Trace("ssEntries=%d usMASK=%d", ssEntries, usMASK);
    return api::Quiet(list::AppendListRecord(list_op::kSkipVar, Word(ssEntries), usMASK));
}
TXORB_EXPORT(bool) Skip_Var_List_Back(int16_t ssEntries, uint16_t usMASK) {
    api::Trace("ssEntries=%d usMASK=%d", ssEntries, usMASK);
    return api::Quiet(list::AppendListRecord(list_op::kSkipVarBack, Word(ssEntries), usMASK));
}
TXORB_EXPORT(bool) Skip_Counter_List(int16_t ssEntries, uint16_t usCounter_List) {
    api::Trace("ssEntries=%d usCounter_List=%d", ssEntries, usCounter_List);
    return api::Quiet(
        list::AppendListRecord(list_op::kSkipCounter, Word(ssEntries), usCounter_List));
}
TXORB_EXPORT(bool) Set_Counter_List(uint16_t usCounter_List) {
    api::Trace("usCounter_List=%d", usCounter_List);
    return api::Quiet(list::AppendListRecord(list_op::kSetCounter, usCounter_List, 0));
}
TXORB_EXPORT(bool) JobControl_To_Var_List(void) {
    return api::Quiet(list::AppendListRecord(list_op::kJobControlToVar, 0, 0));
}
TXORB_EXPORT(bool) Read_Port_To_Var_List(uint16_t usPORT) {
    api::Trace("usPORT=%d", usPORT);
    return api::Quiet(list::AppendListRecord(list_op::kReadPortToVar, usPORT, 0));
}

TXORB_EXPORT(bool) Laser_On(uint16_t usDelay) {
    api::Trace("usDelay=%d", usDelay);
    return api::Frame(list::AppendListRecord(list_op::kLaserOn, usDelay, 0), __func__);
}
TXORB_EXPORT(bool) Laser_Off(uint16_t usDelay) {
    api::Trace("usDelay=%d", usDelay);
    return api::Frame(list::AppendListRecord(list_op::kLaserOff, usDelay, 0), __func__);
}
TXORB_EXPORT(bool) Long_Delay(uint16_t usDelay) {
    api::Trace("usDelay=%d", usDelay);
    return api::Frame(list::AppendListRecord(list_op::kLongDelay, usDelay, 0), __func__);
}

TXORB_EXPORT(bool) Set_Wobble_List(uint16_t usWidth, uint16_t usPeriod) {
    api::Trace("usWidth=%d usPeriod=%d", usWidth, usPeriod);
    return api::Frame(list::AppendListRecord(list_op::kWobble, usWidth, usPeriod), __func__);
}

// The converter takes its 8-bit value in the upper byte of the word.
TXORB_EXPORT(bool) Write_DA_List(uint16_t usValue) {
    api::Trace("usValue=%d", usValue);
    const auto word = static_cast<uint16_t>((usValue & 0xFF) << 8);
    return api::Frame(list::AppendListRecord(list_op::kWriteDa, word, 0), __func__);
}

TXORB_EXPORT(bool) Loop_To_Start_List(int16_t iTargetList) {
    return AppendListTarget(list_op::kLoopToStart, iTargetList);
}
TXORB_EXPORT(bool) Jump_To_Start_List(int16_t iTargetList) {
    return AppendListTarget(list_op::kJumpToStart, iTargetList);
}

TXORB_EXPORT(bool) Set_Mark_Parameters_List(uint16_t usStepPeriod, uint16_t usStepSize) {
    api::Trace("usStepPeriod=%d usStepSize=%d", usStepPeriod, usStepSize);
    list::TheVectorCapture().NoteMarkParameters(usStepPeriod, usStepSize);
    return api::Frame(list::AppendListRecord(list_op::kMarkParameters, usStepPeriod, usStepSize),
                      __func__);
}

TXORB_EXPORT(bool) Set_Jump_Parameters_List(uint16_t usStepPeriod, uint16_t usJumpSize) {
    api::Trace("usStepPeriod=%d usJumpSize=%d", usStepPeriod, usJumpSize);
    list::TheVectorCapture().NoteJumpParameters(usStepPeriod, usJumpSize);
    return api::Frame(list::AppendListRecord(list_op::kJumpParameters, usStepPeriod, usJumpSize),
                      __func__);
}

// Dots are marked at the dot spacing and duration, so the capture takes them as mark steps.
TXORB_EXPORT(bool) Set_Dot_Parameters_List(uint16_t usDistance, uint16_t usDuration) {
    api::Trace("usDistance=%d usDuration=%d", usDistance, usDuration);
    list::TheVectorCapture().NoteMarkParameters(usDistance, usDuration);
    return api::Frame(list::AppendListRecord(list_op::kDotParameters, usDistance, usDuration),
                      __func__);
}
TXORB_EXPORT(bool) Set_Dot_Params_List(uint16_t usDistance, uint16_t usDuration) {
    return Set_Dot_Parameters_List(usDistance, usDuration);
}

TXORB_EXPORT(bool) Write_Port_List(uint16_t usAddressOffset, uint16_t usValue) {
    api::Trace("usAddressOffset=%d usValue=%d", usAddressOffset, usValue);
    return api::Frame(list::AppendListRecord(list_op::kWritePort, usAddressOffset, usValue),
                      __func__);
}

TXORB_EXPORT(bool) Wait_For_External_Start(void) {
    return api::Frame(list::AppendListRecord(list_op::kWaitExternalStart, 0, 0), __func__);
}
TXORB_EXPORT(bool) Mark_Immediately(void) {
    return api::Frame(list::AppendListRecord(list_op::kMarkImmediately, 0, 0), __func__);
}

TXORB_EXPORT(bool) Wait_For_Counter_Value(int16_t ssValue) {
    api::Trace("ssValue=%d", ssValue);
    return api::Frame(list::AppendListRecord(list_op::kWaitCounter, Word(ssValue), 0), __func__);
}
TXORB_EXPORT(bool) Wait_For_Counter_Value_Ex(uint32_t nValue) {
    api::Trace("nValue=%u", nValue);
    return api::Frame(list::AppendListRecord(list_op::kWaitCounterEx, static_cast<uint16_t>(nValue),
                                             static_cast<uint16_t>(nValue >> 16)),
                      __func__);
}

TXORB_EXPORT(bool) Set_Auto_Jump_Delay_List(uint16_t usDelay, uint16_t usLen) {
    api::Trace("usDelay=%d usLen=%d", usDelay, usLen);
    return api::Frame(list::AppendListRecord(list_op::kAutoJumpDelay, usDelay, usLen), __func__);
}

}  // extern "C"
