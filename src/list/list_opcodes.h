// The RTB's list command codes: the first byte of each 5-byte record.
#pragma once

#include <cstdint>

namespace txorb::list_op {

inline constexpr uint8_t kPolB = 1;
inline constexpr uint8_t kPolA = 2;
inline constexpr uint8_t kPolC = 3;
inline constexpr uint8_t kPolARel = 4;
inline constexpr uint8_t kPolBRel = 5;
inline constexpr uint8_t kPolCRel = 6;
inline constexpr uint8_t kJumpRel = 7;
inline constexpr uint8_t kMarkRel = 8;
inline constexpr uint8_t kJumpAbs = 9;
inline constexpr uint8_t kMarkAbs = 10;
inline constexpr uint8_t kLaserOn = 11;
inline constexpr uint8_t kLaserOff = 12;
inline constexpr uint8_t kLongDelay = 14;
inline constexpr uint8_t kWriteDa = 15;
inline constexpr uint8_t kEndOfList = 16;
inline constexpr uint8_t kWobble = 19;
inline constexpr uint8_t kDelays12 = 26;
inline constexpr uint8_t kDelays56 = 27;
inline constexpr uint8_t kDelays910 = 28;
inline constexpr uint8_t kResetJump = 30;
inline constexpr uint8_t kDelays34 = 32;
inline constexpr uint8_t kDelays78 = 48;
inline constexpr uint8_t kResetJumpRel = 51;
inline constexpr uint8_t kSkipVarBack = 112;
inline constexpr uint8_t kMarkParameters = 116;
inline constexpr uint8_t kWritePort = 135;
inline constexpr uint8_t kWaitCounterEx = 139;
inline constexpr uint8_t kMarkImmediately = 141;
inline constexpr uint8_t kWaitCounter = 142;
inline constexpr uint8_t kJumpParameters = 145;
inline constexpr uint8_t kHeadMask = 150;
inline constexpr uint8_t kLoopToStart = 151;
inline constexpr uint8_t kWaitExternalStart = 153;
inline constexpr uint8_t kAutoJumpDelay = 163;
inline constexpr uint8_t kJobControl = 180;
inline constexpr uint8_t kJumpToStart = 181;
inline constexpr uint8_t kSkipVar = 182;
inline constexpr uint8_t kSkipCounter = 183;
inline constexpr uint8_t kReadPortToVar = 184;
inline constexpr uint8_t kJobControlToVar = 185;
inline constexpr uint8_t kSetCounter = 186;
inline constexpr uint8_t kDotParameters = 192;
inline constexpr uint8_t kPolADot = 193;
inline constexpr uint8_t kPolBDot = 194;
inline constexpr uint8_t kPolCDot = 195;
inline constexpr uint8_t kMarkDot = 196;
// 3D commands are record pairs: the first carries X and Y, the second Z and N.
inline constexpr uint8_t kJump3D = 208;
inline constexpr uint8_t kMark3D = 210;
inline constexpr uint8_t kPolA3D = 212;
inline constexpr uint8_t kPolB3D = 214;
inline constexpr uint8_t kPolC3D = 216;

}  // namespace txorb::list_op
