// The card's opcodes, each number written once here, with their names and reply shapes: the
// immediate commands that travel as packets, and the list commands that travel as 5-byte
// records inside a list-records packet. The simulator answers by this table and the
// command-line decoder prints by it. The library keeps its own table on purpose: the simulator
// checks the wire independently of it.
#pragma once

#include <cstdint>

namespace txorb::proto {

// The opcode of each immediate command: the first byte of a packet.
namespace op {
inline constexpr uint8_t kReadStatus = 34;
inline constexpr uint8_t kSetSpeed = 35;
inline constexpr uint8_t kStopExecution = 36;
inline constexpr uint8_t kStartLoop = 37;
inline constexpr uint8_t kQuitLoop = 38;
inline constexpr uint8_t kWriteDA = 40;
inline constexpr uint8_t kGotoXY = 41;
inline constexpr uint8_t kGetCounts = 42;
inline constexpr uint8_t kStopExecutionNoClear = 47;
inline constexpr uint8_t kTestWritePort = 53;
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
inline constexpr uint8_t kExecuteList = 65;  // Execute_List_n and Restart_List_n
inline constexpr uint8_t kSetStartList = 67;
inline constexpr uint8_t kLoadCor = 68;
inline constexpr uint8_t kEnableLaser = 70;
inline constexpr uint8_t kSetMaxCounts = 73;
inline constexpr uint8_t kSetMode = 74;
inline constexpr uint8_t kSetYAGParameter = 77;
inline constexpr uint8_t kAutChange = 78;
inline constexpr uint8_t kDisableLaser = 79;
inline constexpr uint8_t kTestReadPort = 80;
inline constexpr uint8_t kGetVersion = 82;
inline constexpr uint8_t kGetKRT1Version = 84;
inline constexpr uint8_t kSetGainX = 88;
inline constexpr uint8_t kSetGainY = 89;
inline constexpr uint8_t kSetOffsetX = 90;
inline constexpr uint8_t kSetOffsetY = 91;
inline constexpr uint8_t kSetJumpSpeed = 92;
inline constexpr uint8_t kSetMarkSpeed = 93;
inline constexpr uint8_t kSetDXDYManual = 94;
inline constexpr uint8_t kStartManualOperation = 99;
inline constexpr uint8_t kStopManualOperation = 100;
inline constexpr uint8_t kStartLaserManually = 101;
inline constexpr uint8_t kStopLaserManually = 102;
inline constexpr uint8_t kStartManualMove = 103;
inline constexpr uint8_t kStopManualMove = 104;
inline constexpr uint8_t kWritePort = 113;
inline constexpr uint8_t kReadPort = 114;
inline constexpr uint8_t kStartUpConfirm = 115;
inline constexpr uint8_t kGetJumpSpeed = 118;
inline constexpr uint8_t kGetMarkSpeed = 119;
inline constexpr uint8_t kGetXYPosX = 120;
inline constexpr uint8_t kGetXYManualX = 121;
inline constexpr uint8_t kGetDXDYManualDX = 128;
inline constexpr uint8_t kGetXYPosY = 129;
inline constexpr uint8_t kGetXYManualY = 130;
inline constexpr uint8_t kGetDXDYManualDY = 131;
inline constexpr uint8_t kGetManualMove = 132;
inline constexpr uint8_t kMakeBootProgram = 137;
inline constexpr uint8_t kSetDigGainEx = 138;
inline constexpr uint8_t kGetHeadMask = 143;
inline constexpr uint8_t kCopyFileToTargetDisk = 144;
inline constexpr uint8_t kLoadCorrN = 148;
inline constexpr uint8_t kLoadCorrFileFromTargetDisk = 149;
inline constexpr uint8_t kListRecords = 156;
inline constexpr uint8_t kDeleteFileOnTargetDisk = 158;
inline constexpr uint8_t kSetDigGain = 164;
inline constexpr uint8_t kSetRotGrad = 165;
inline constexpr uint8_t kGotoXYEx = 166;
inline constexpr uint8_t kSetMarkShift = 167;
inline constexpr uint8_t kPutBitmaplineList = 171;
inline constexpr uint8_t kPutBitmaplineListAlg1 = 172;
inline constexpr uint8_t kGetIdentEx = 173;
inline constexpr uint8_t kRelease = 175;
inline constexpr uint8_t kGetModeMask = 176;
inline constexpr uint8_t kStartUpOpen = 177;
inline constexpr uint8_t kSetDTRMirrorSelector = 187;
inline constexpr uint8_t kReadIntStartAttempts = 188;
inline constexpr uint8_t kSetDSRMirrorSelector = 204;
inline constexpr uint8_t kSet3DMode = 218;
inline constexpr uint8_t kReset3DMode = 219;
inline constexpr uint8_t kSet3DParameters = 220;
inline constexpr uint8_t kGet3DParameters = 221;
inline constexpr uint8_t kGetCPUType = 224;
inline constexpr uint8_t kPutBitmaplineListAlg2 = 225;
}  // namespace op

// The opcode of each list command: the first byte of a 5-byte record inside a
// list-records packet (op::kListRecords). A name ending in Z is the second record of a 3D
// pair, which carries the Z coordinate.
namespace list_op {
inline constexpr uint8_t kPolBAbs = 1;
inline constexpr uint8_t kPolAAbs = 2;
inline constexpr uint8_t kPolCAbs = 3;
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
inline constexpr uint8_t kWriteDAList = 15;
inline constexpr uint8_t kSetEndOfList = 16;
inline constexpr uint8_t kSetWobbleList = 19;
inline constexpr uint8_t kSetDelays12 = 26;
inline constexpr uint8_t kSetDelays56 = 27;
inline constexpr uint8_t kSetDelays910 = 28;
inline constexpr uint8_t kResetJumpList = 30;
inline constexpr uint8_t kSetDelays34 = 32;
inline constexpr uint8_t kSetDelays78 = 48;
inline constexpr uint8_t kResetJumpListRel = 51;
inline constexpr uint8_t kSkipVarListBack = 112;
inline constexpr uint8_t kSetMarkParametersList = 116;
inline constexpr uint8_t kWritePortList = 135;
inline constexpr uint8_t kWaitForCounterValueEx = 139;
inline constexpr uint8_t kMarkImmediately = 141;
inline constexpr uint8_t kWaitForCounterValue = 142;
inline constexpr uint8_t kSetJumpParametersList = 145;
inline constexpr uint8_t kSetHeadMask = 150;
inline constexpr uint8_t kLoopToStartList = 151;
inline constexpr uint8_t kWaitForExternalStart = 153;
inline constexpr uint8_t kSetAutoJumpDelayList = 163;
inline constexpr uint8_t kSetJobControlList = 180;
inline constexpr uint8_t kJumpToStartList = 181;
inline constexpr uint8_t kSkipVarList = 182;
inline constexpr uint8_t kSkipCounterList = 183;
inline constexpr uint8_t kReadPortToVarList = 184;
inline constexpr uint8_t kJobControlToVarList = 185;
inline constexpr uint8_t kSetCounterList = 186;
inline constexpr uint8_t kSetDotParametersList = 192;
inline constexpr uint8_t kPolAAbsDot = 193;
inline constexpr uint8_t kPolBAbsDot = 194;
inline constexpr uint8_t kPolCAbsDot = 195;
inline constexpr uint8_t kMarkAbsDot = 196;
inline constexpr uint8_t kJumpAbs3D = 208;
inline constexpr uint8_t kJumpAbs3DZ = 209;
inline constexpr uint8_t kMarkAbs3D = 210;
inline constexpr uint8_t kMarkAbs3DZ = 211;
inline constexpr uint8_t kPolAAbs3D = 212;
inline constexpr uint8_t kPolAAbs3DZ = 213;
inline constexpr uint8_t kPolBAbs3D = 214;
inline constexpr uint8_t kPolBAbs3DZ = 215;
inline constexpr uint8_t kPolCAbs3D = 216;
inline constexpr uint8_t kPolCAbs3DZ = 217;
}  // namespace list_op

enum class ReplyKind : uint8_t {
    kStatus,  // the 2-byte length 1 and one status byte
    kData,    // the 2-byte length and replyBytes bytes of data
    kNone,    // the host reads nothing back
};

struct CommandInfo {
    uint8_t opcode;
    const char* name;
    ReplyKind reply;
    uint16_t replyBytes;   // kData: the size the host asks for; kStatus: 1; kNone: 0
    int32_t payloadBytes;  // the size the host sends, or -1 when it varies
};

// The entry of an immediate opcode, or null for one the card does not know.
const CommandInfo* FindCommand(uint8_t opcode);

// How a list record's two parameters read.
enum class ParamKind : uint8_t {
    kNone,         // both 0
    kUnsigned,     // two u16
    kSigned,       // two s16 (coordinates)
    kFirstSigned,  // s16 then u16 (skip counts)
    kLow32,        // one u32: param1 low half, param2 high half
};

struct ListOpcodeInfo {
    uint8_t opcode;
    const char* name;
    ParamKind params;
    // 3D commands are two records; the first names its partner, the second has pairOf set.
    uint8_t secondHalf;  // 0 unless this is the first record of a pair
    uint8_t pairOf;      // 0 unless this is the second record of a pair
};

const ListOpcodeInfo* FindListOpcode(uint8_t opcode);

}  // namespace txorb::proto
