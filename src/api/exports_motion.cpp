#include "api/report.h"
#include "commands/motion.h"
#include "txorb/txorb.h"

using namespace txorb;

namespace {

// The one export that reports under another name than its own: programs that match the message
// box's "API call" line know the converter write by this name.
constexpr const char* kWriteDaReportName = "WriteDA";

bool WordSetter(uint8_t opcode, uint16_t value, const char* apiName) {
    return api::Frame(commands::SendWordParameter(opcode, value), apiName);
}

bool DoubleSetter(uint8_t opcode, double value, const char* apiName) {
    return api::Frame(commands::SendDoubleParameter(opcode, value), apiName);
}

double SpeedGetter(uint8_t opcode, const char* apiName) {
    double speed = 0.0;
    const ErrorCode code = commands::GetSpeed(opcode, &speed);
    api::Trace("dSpeed =%f", speed);
    api::ReportError(code, apiName);
    return code == err::kOk ? speed : 0.0;
}

}  // namespace

extern "C" {

TXORB_EXPORT(bool) Set_Auto_Delay(uint16_t usStepPeriod) {
    api::Trace("usStepPeriod =%d", usStepPeriod);
    return WordSetter(opcode::kSetAutoDelay, usStepPeriod, __func__);
}

TXORB_EXPORT(bool) Set_Jump_Delay(uint16_t usJumpDelay) {
    api::Trace("usJumpDelay =%d", usJumpDelay);
    return WordSetter(opcode::kSetJumpDelay, usJumpDelay, __func__);
}

TXORB_EXPORT(bool) Set_Mark_Delay(uint16_t usMarkDelay) {
    api::Trace("usMarkDelay =%d", usMarkDelay);
    return WordSetter(opcode::kSetMarkDelay, usMarkDelay, __func__);
}

TXORB_EXPORT(bool) Set_Poly_Delay(uint16_t usPolyDelay) {
    api::Trace("usPolyDelay =%d", usPolyDelay);
    return WordSetter(opcode::kSetPolyDelay, usPolyDelay, __func__);
}

TXORB_EXPORT(bool) Set_Laser_Off_Delay(uint16_t usLaserOffDelay) {
    api::Trace("usLaserOffDelay =%d", usLaserOffDelay);
    return WordSetter(opcode::kSetLaserOffDelay, usLaserOffDelay, __func__);
}

TXORB_EXPORT(bool) Set_Laser_On_Delay(uint16_t usLaserOnDelay) {
    api::Trace("usLaserOnDelay =%d", usLaserOnDelay);
    return WordSetter(opcode::kSetLaserOnDelay, usLaserOnDelay, __func__);
}

TXORB_EXPORT(bool) Set_T1(uint16_t usT1) {
    api::Trace("usT1 =%d", usT1);
    return WordSetter(opcode::kSetT1, usT1, __func__);
}

TXORB_EXPORT(bool) Set_T2(uint16_t usT2) {
    api::Trace("usT2 =%d", usT2);
    return WordSetter(opcode::kSetT2, usT2, __func__);
}

TXORB_EXPORT(bool) Set_T3(uint16_t usT3) {
    api::Trace("usT3 =%d", usT3);
    return WordSetter(opcode::kSetT3, usT3, __func__);
}

// The manual-mode delay is set while the operator works the head; a message box then would
// only get in the way, so the result is all the caller gets.
TXORB_EXPORT(bool) Set_Manual_Delay(uint16_t usManualDelay) {
    api::Trace("usManualDelay =%d", usManualDelay);
    return api::Quiet(commands::SendWordParameter(opcode::kSetManualDelay, usManualDelay));
}

TXORB_EXPORT(bool) Set_Max_Counts(int32_t iCounts) {
    api::Trace("iCounts=%d ", iCounts);
    return api::Frame(commands::SetMaxCounts(iCounts), __func__);
}

TXORB_EXPORT(bool) Set_Mode(uint16_t usMode) {
    api::Trace("usMode=0x%X ", usMode);
    return api::Frame(commands::SetMode(usMode), __func__);
}

TXORB_EXPORT(bool) Set_YAG_Parameter(uint16_t usPrescaler) {
    api::Trace("usPrescaler=%d ", usPrescaler);
    return WordSetter(opcode::kSetYagParameter, usPrescaler, __func__);
}

TXORB_EXPORT(bool) Set_Gain_X(double dGainX) {
    api::Trace("dGainX =%f", dGainX);
    return DoubleSetter(opcode::kSetGainX, dGainX, __func__);
}

TXORB_EXPORT(bool) Set_Gain_Y(double dGainY) {
    api::Trace("dGainY =%f", dGainY);
    return DoubleSetter(opcode::kSetGainY, dGainY, __func__);
}

TXORB_EXPORT(bool) Set_Offset_X(int16_t ssOffsetX) {
    api::Trace("ssOffsetX =%d", ssOffsetX);
    return WordSetter(opcode::kSetOffsetX, static_cast<uint16_t>(ssOffsetX), __func__);
}

TXORB_EXPORT(bool) Set_Offset_Y(int16_t ssOffsetY) {
    api::Trace("ssOffsetY =%d", ssOffsetY);
    return WordSetter(opcode::kSetOffsetY, static_cast<uint16_t>(ssOffsetY), __func__);
}

TXORB_EXPORT(bool) Set_Jump_Speed(double dJumpSpeed) {
    api::Trace("dJumpSpeed =%f", dJumpSpeed);
    return DoubleSetter(opcode::kSetJumpSpeed, dJumpSpeed, __func__);
}

TXORB_EXPORT(bool) Set_Mark_Speed(double dMarkSpeed) {
    api::Trace("dMarkSpeed =%f", dMarkSpeed);
    return DoubleSetter(opcode::kSetMarkSpeed, dMarkSpeed, __func__);
}

TXORB_EXPORT(bool) Set_Speed(double dJumpSpeed, double dMarkSpeed) {
    api::Trace("dJumpSpeed=%f dMarkSpeed=%f", dJumpSpeed, dMarkSpeed);
    return api::Frame(commands::SetSpeed(dJumpSpeed, dMarkSpeed), __func__);
}

TXORB_EXPORT(double) Get_Jump_Speed(void) { return SpeedGetter(opcode::kGetJumpSpeed, __func__); }

TXORB_EXPORT(double) Get_Mark_Speed(void) { return SpeedGetter(opcode::kGetMarkSpeed, __func__); }

TXORB_EXPORT(bool) Set_Dig_Gain_Ex(double dDigGain) {
    api::Trace("dDigGain=%f ", dDigGain);
    return DoubleSetter(opcode::kSetDigGainEx, dDigGain, __func__);
}

TXORB_EXPORT(bool) Set_Dig_Gain(uint16_t usDigGain) {
    api::Trace("usDigGain=%d ", usDigGain);
    return WordSetter(opcode::kSetDigGain, usDigGain, __func__);
}

TXORB_EXPORT(bool) Set_Rot_Grad(double dGard) {
    api::Trace("dGard =%f", dGard);
    return api::Frame(commands::SetRotGrad(dGard), __func__);
}

TXORB_EXPORT(bool) Set_Mark_Shift(uint16_t usMarkShift) {
    api::Trace("usMarkShift=%d ", usMarkShift);
    return WordSetter(opcode::kSetMarkShift, usMarkShift, __func__);
}

TXORB_EXPORT(bool) Write_DA(uint16_t usValue) {
    api::Trace("usValue=%d ", usValue);
    return api::Frame(commands::WriteDa(usValue), kWriteDaReportName);
}

// Four separate exchanges: each step traces and reports for itself, and the first refusal
// stops the rest so that no half-applied offset follows a rejected gain.
TXORB_EXPORT(bool) Set_Gain(double dGainX, double dGainY, int16_t ssOffsetX, int16_t ssOffsetY) {
    api::Trace("dGainX=%f dGainY=%f ssOffsetX=%d ssOffsetY=%d", dGainX, dGainY, ssOffsetX,
               ssOffsetY);
    if (Set_Gain_X(dGainX) && Set_Gain_Y(dGainY) && Set_Offset_X(ssOffsetX) &&
        Set_Offset_Y(ssOffsetY)) {
        return true;
    }
    api::ReportError(err::kFunctionCallFailed, __func__);
    return false;
}

}  // extern "C"
