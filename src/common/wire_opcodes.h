// The card's opcodes, each named once for the whole library: the first byte of every command
// packet (txorb::opcode), and the first byte of each 5-byte record of a list transfer
// (txorb::list_op). The values are the RTB's; a packet and a record may share a number and mean
// different things.
#pragma once

#include <cstdint>

namespace txorb::opcode {

// The start-up handshake and the removal sequence (the stop and T3 requests of the removal are
// the ones below: kStopExecution and kSetT3 with a zero word).
inline constexpr uint8_t kHandshakeReset = 177;  // not answered
inline constexpr uint8_t kHandshakeHello = 115;  // answered by one status byte
inline constexpr uint8_t kRelease = 175;         // not answered

// The pending list records, as one packet.
inline constexpr uint8_t kListTransfer = 156;

// Timing and motion parameters.
inline constexpr uint8_t kSetSpeed = 35;
inline constexpr uint8_t kWriteDa = 40;
inline constexpr uint8_t kSetAutoDelay = 54;
inline constexpr uint8_t kSetJumpDelay = 55;
inline constexpr uint8_t kSetMarkDelay = 56;
inline constexpr uint8_t kSetPolyDelay = 57;
inline constexpr uint8_t kSetLaserOffDelay = 58;
inline constexpr uint8_t kSetLaserOnDelay = 59;
inline constexpr uint8_t kSetT1 = 60;
inline constexpr uint8_t kSetT2 = 61;
inline constexpr uint8_t kSetT3 = 62;
inline constexpr uint8_t kSetManualDelay = 63;
inline constexpr uint8_t kSetMaxCounts = 73;
inline constexpr uint8_t kSetMode = 74;
inline constexpr uint8_t kSetYagParameter = 77;
inline constexpr uint8_t kSetGainX = 88;
inline constexpr uint8_t kSetGainY = 89;
inline constexpr uint8_t kSetOffsetX = 90;
inline constexpr uint8_t kSetOffsetY = 91;
inline constexpr uint8_t kSetJumpSpeed = 92;
inline constexpr uint8_t kSetMarkSpeed = 93;
inline constexpr uint8_t kGetJumpSpeed = 118;
inline constexpr uint8_t kGetMarkSpeed = 119;
inline constexpr uint8_t kSetDigGainEx = 138;
inline constexpr uint8_t kSetDigGain = 164;
inline constexpr uint8_t kSetRotGrad = 165;
inline constexpr uint8_t kSetMarkShift = 167;

// List execution and the laser enable.
inline constexpr uint8_t kStopExecution = 36;
inline constexpr uint8_t kStartLoop = 37;
inline constexpr uint8_t kQuitLoop = 38;
inline constexpr uint8_t kStopExecutionNoClear = 47;
inline constexpr uint8_t kExecuteList = 65;
inline constexpr uint8_t kSetStartList = 67;
inline constexpr uint8_t kEnableLaser = 70;
inline constexpr uint8_t kAutChange = 78;
inline constexpr uint8_t kDisableLaser = 79;

// Manual operation and positions.
inline constexpr uint8_t kGotoXY = 41;
inline constexpr uint8_t kSetDxDyManual = 94;
inline constexpr uint8_t kStartManualOperation = 99;
inline constexpr uint8_t kStopManualOperation = 100;
inline constexpr uint8_t kStartLaserManually = 101;
inline constexpr uint8_t kStopLaserManually = 102;
inline constexpr uint8_t kStartManualMove = 103;
inline constexpr uint8_t kStopManualMove = 104;
inline constexpr uint8_t kGetXPos = 120;
inline constexpr uint8_t kGetXManual = 121;
inline constexpr uint8_t kGetDxManual = 128;
inline constexpr uint8_t kGetYPos = 129;
inline constexpr uint8_t kGetYManual = 130;
inline constexpr uint8_t kGetDyManual = 131;
inline constexpr uint8_t kGetManualMove = 132;
inline constexpr uint8_t kGotoXYEx = 166;

// Status and identity queries, 3D mode.
inline constexpr uint8_t kReadStatus = 34;  // also the poll that is never captured
inline constexpr uint8_t kGetCounts = 42;
inline constexpr uint8_t kGetVersion = 82;
inline constexpr uint8_t kGetKrt1Version = 84;
inline constexpr uint8_t kGetHeadMask = 143;
inline constexpr uint8_t kGetIdentEx = 173;
inline constexpr uint8_t kGetModeMask = 176;
inline constexpr uint8_t kReadIntStartAttempts = 188;
inline constexpr uint8_t kSet3DMode = 218;
inline constexpr uint8_t kReset3DMode = 219;
inline constexpr uint8_t kGetCpuType = 224;

// Correction files and the target disk.
inline constexpr uint8_t kLoadCor = 68;
inline constexpr uint8_t kMakeBootProgram = 137;
inline constexpr uint8_t kCopyFileToTargetDisk = 144;
inline constexpr uint8_t kLoadCorrN = 148;
inline constexpr uint8_t kLoadCorrFileFromTargetDisk = 149;
inline constexpr uint8_t kDeleteFileOnTargetDisk = 158;

// 3D head parameters.
inline constexpr uint8_t kSet3DParameters = 220;
inline constexpr uint8_t kGet3DParameters = 221;

// Bitmap lines.
inline constexpr uint8_t kBitmapLine = 171;
inline constexpr uint8_t kBitmapLineAlgorithm1 = 172;
inline constexpr uint8_t kBitmapLineAlgorithm2 = 225;

// I/O ports and mirror selectors.
inline constexpr uint8_t kTestWritePort = 53;
inline constexpr uint8_t kTestReadPort = 80;
inline constexpr uint8_t kWritePort = 113;
inline constexpr uint8_t kReadPort = 114;
inline constexpr uint8_t kSetDtrMirrorSelector = 187;
inline constexpr uint8_t kSetDsrMirrorSelector = 204;

}  // namespace txorb::opcode

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
