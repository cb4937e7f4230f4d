#include "api/report.h"
#include "commands/motion.h"
#include "txorb/txorb.h"

using namespace txorb;
namespace op = txorb::commands::opcode;

namespace {

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

extern "C" bool Set_Auto_Delay(uint16_t usStepPeriod) {
    api::Trace("usStepPeriod =%d", usStepPeriod);
    return WordSetter(op::kSetAutoDelay, usStepPeriod, "Set_Auto_Delay");
}

extern "C" bool Set_Jump_Delay(uint16_t usJumpDelay) {
    api::Trace("usJumpDelay =%d", usJumpDelay);
    return WordSetter(op::kSetJumpDelay, usJumpDelay, "Set_Jump_Delay");
}

extern "C" bool Set_Mark_Delay(uint16_t usMarkDelay) {
    api::Trace("usMarkDelay =%d", usMarkDelay);
    return WordSetter(op::kSetMarkDelay, usMarkDelay, "Set_Mark_Delay");
}

extern "C" bool Set_Poly_Delay(uint16_t usPolyDelay) {
    api::Trace("usPolyDelay =%d", usPolyDelay);
    return WordSetter(op::kSetPolyDelay, usPolyDelay, "Set_Poly_Delay");
}

extern "C" bool Set_Laser_Off_Delay(uint16_t usLaserOffDelay) {
    api::Trace("usLaserOffDelay =%d", usLaserOffDelay);
    return WordSetter(op::kSetLaserOffDelay, usLaserOffDelay, "Set_Laser_Off_Delay");
}

extern "C" bool Set_Laser_On_Delay(uint16_t usLaserOnDelay) {
    api::Trace("usLaserOnDelay =%d", usLaserOnDelay);
    return WordSetter(op::kSetLaserOnDelay, usLaserOnDelay, "Set_Laser_On_Delay");
}

extern "C" bool Set_T1(uint16_t usT1) {
    api::Trace("usT1 =%d", usT1);
    return WordSetter(op::kSetT1, usT1, "Set_T1");
}

extern "C" bool Set_T2(uint16_t usT2) {
    api::Trace("usT2 =%d", usT2);
    return WordSetter(op::kSetT2, usT2, "Set_T2");
}

extern "C" bool Set_T3(uint16_t usT3) {
    api::Trace("usT3 =%d", usT3);
    return WordSetter(op::kSetT3, usT3, "Set_T3");
}

// The manual-mode delay is set while the operator works the head; a message box then would
// only get in the way, so the result is all the caller gets.
extern "C" bool Set_Manual_Delay(uint16_t usManualDelay) {
    api::Trace("usManualDelay =%d", usManualDelay);
    return commands::SendWordParameter(op::kSetManualDelay, usManualDelay) == err::kOk;
}

extern "C" bool Set_Max_Counts(int32_t iCounts) {
    api::Trace("iCounts=%d ", iCounts);
    return api::Frame(commands::SetMaxCounts(iCounts), "Set_Max_Counts");
}

extern "C" bool Set_Mode(uint16_t usMode) {
    api::Trace("usMode=0x%X ", usMode);
    return api::Frame(commands::SetMode(usMode), "Set_Mode");
}

extern "C" bool Set_YAG_Parameter(uint16_t usPrescaler) {
    api::Trace("usPrescaler=%d ", usPrescaler);
    return WordSetter(op::kSetYagParameter, usPrescaler, "Set_YAG_Parameter");
}

extern "C" bool Set_Gain_X(double dGainX) {
    api::Trace("dGainX =%f", dGainX);
    return DoubleSetter(op::kSetGainX, dGainX, "Set_Gain_X");
}

extern "C" bool Set_Gain_Y(double dGainY) {
    api::Trace("dGainY =%f", dGainY);
    return DoubleSetter(op::kSetGainY, dGainY, "Set_Gain_Y");
}

extern "C" bool Set_Offset_X(int16_t ssOffsetX) {
    api::Trace("ssOffsetX =%d", ssOffsetX);
    return WordSetter(op::kSetOffsetX, static_cast<uint16_t>(ssOffsetX), "Set_Offset_X");
}

extern "C" bool Set_Offset_Y(int16_t ssOffsetY) {
    api::Trace("ssOffsetY =%d", ssOffsetY);
    return WordSetter(op::kSetOffsetY, static_cast<uint16_t>(ssOffsetY), "Set_Offset_Y");
}

extern "C" bool Set_Jump_Speed(double dJumpSpeed) {
    api::Trace("dJumpSpeed =%f", dJumpSpeed);
    return DoubleSetter(op::kSetJumpSpeed, dJumpSpeed, "Set_Jump_Speed");
}

extern "C" bool Set_Mark_Speed(double dMarkSpeed) {
    api::Trace("dMarkSpeed =%f", dMarkSpeed);
    return DoubleSetter(op::kSetMarkSpeed, dMarkSpeed, "Set_Mark_Speed");
}

extern "C" bool Set_Speed(double dJumpSpeed, double dMarkSpeed) {
    api::Trace("dJumpSpeed=%f dMarkSpeed=%f", dJumpSpeed, dMarkSpeed);
    return api::Frame(commands::SetSpeed(dJumpSpeed, dMarkSpeed), "Set_Speed");
}

extern "C" double Get_Jump_Speed(void) {
    return SpeedGetter(op::kGetJumpSpeed, "Get_Jump_Speed");
}

extern "C" double Get_Mark_Speed(void) {
    return SpeedGetter(op::kGetMarkSpeed, "Get_Mark_Speed");
}

extern "C" bool Set_Dig_Gain_Ex(double dDigGain) {
    api::Trace("dDigGain=%f ", dDigGain);
    return DoubleSetter(op::kSetDigGainEx, dDigGain, "Set_Dig_Gain_Ex");
}

extern "C" bool Set_Dig_Gain(uint16_t usDigGain) {
    api::Trace("usDigGain=%d ", usDigGain);
    return WordSetter(op::kSetDigGain, usDigGain, "Set_Dig_Gain");
}

extern "C" bool Set_Rot_Grad(double dGard) {
    api::Trace("dGard =%f", dGard);
    return api::Frame(commands::SetRotGrad(dGard), "Set_Rot_Grad");
}

extern "C" bool Set_Mark_Shift(uint16_t usMarkShift) {
    api::Trace("usMarkShift=%d ", usMarkShift);
    return WordSetter(op::kSetMarkShift, usMarkShift, "Set_Mark_Shift");
}

extern "C" bool Write_DA(uint16_t usValue) {
    api::Trace("usValue=%d ", usValue);
    return api::Frame(commands::WriteDa(usValue), "WriteDA");
}

// Four separate exchanges: each step traces and reports for itself, and the first refusal
// stops the rest so that no half-applied offset follows a rejected gain.
extern "C" bool Set_Gain(double dGainX, double dGainY, int16_t ssOffsetX, int16_t ssOffsetY) {
    api::Trace("dGainX=%f dGainY=%f ssOffsetX=%d ssOffsetY=%d", dGainX, dGainY, ssOffsetX,
               ssOffsetY);
    if (Set_Gain_X(dGainX) && Set_Gain_Y(dGainY) && Set_Offset_X(ssOffsetX) &&
        Set_Offset_Y(ssOffsetY)) {
        return true;
    }
    api::ReportError(err::kFunctionCallFailed, "Set_Gain");
    return false;
}
