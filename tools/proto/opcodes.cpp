#include "proto/opcodes.h"

#include <array>
#include <cstddef>

namespace txorb::proto {
namespace {

constexpr ReplyKind S = ReplyKind::kStatus;
constexpr ReplyKind D = ReplyKind::kData;
constexpr ReplyKind N = ReplyKind::kNone;
constexpr int32_t kVaries = -1;

// In opcode order, as in the header, so that a reader can find a command by eye.
constexpr CommandInfo kCommands[] = {
    {op::kReadStatus, "Read_Status", D, 2, 0},
    {op::kSetSpeed, "Set_Speed", S, 1, 16},
    {op::kStopExecution, "Stop_Execution", S, 1, 0},
    {op::kStartLoop, "Start_Loop", S, 1, 0},
    {op::kQuitLoop, "Quit_Loop", S, 1, 0},
    {op::kWriteDA, "Write_DA", S, 1, 2},
    {op::kGotoXY, "Goto_XY", S, 1, 4},
    {op::kGetCounts, "Get_Counts", D, 4, 0},
    {op::kStopExecutionNoClear, "Stop_Execution_NoClear", S, 1, 0},
    {op::kTestWritePort, "Test_Write_Port", S, 1, 4},
    {op::kSetAutoDelay, "Set_Auto_Delay", S, 1, 2},
    {op::kSetJumpDelay, "Set_Jump_Delay", S, 1, 2},
    {op::kSetMarkDelay, "Set_Mark_Delay", S, 1, 2},
    {op::kSetPolyDelay, "Set_Poly_Delay", S, 1, 2},
    {op::kSetLaserOffDelay, "Set_Laser_Off_Delay", S, 1, 2},
    {op::kSetLaserOnDelay, "Set_Laser_On_Delay", S, 1, 2},
    {op::kSetT1, "Set_T1", S, 1, 2},
    {op::kSetT2, "Set_T2", S, 1, 2},
    {op::kSetT3, "Set_T3", S, 1, 2},
    {op::kSetManualDelay, "Set_Manual_Delay", S, 1, 2},
    {op::kExecuteList, "Execute_List", S, 1, 2},
    {op::kSetStartList, "Set_Start_List", S, 1, 2},
    {op::kLoadCor, "Load_Cor", S, 1, 25350},
    {op::kEnableLaser, "Enable_Laser", S, 1, 0},
    {op::kSetMaxCounts, "Set_Max_Counts", S, 1, 2},
    {op::kSetMode, "Set_Mode", S, 1, 2},
    {op::kSetYAGParameter, "Set_YAG_Parameter", S, 1, 2},
    {op::kAutChange, "Aut_Change", S, 1, 0},
    {op::kDisableLaser, "Disable_Laser", S, 1, 0},
    {op::kTestReadPort, "Test_Read_Port", D, 2, 2},
    {op::kGetVersion, "Get_Version", D, 2, 0},
    {op::kGetKRT1Version, "Get_KRT1_Version", D, 2, 0},
    {op::kSetGainX, "Set_Gain_X", S, 1, 8},
    {op::kSetGainY, "Set_Gain_Y", S, 1, 8},
    {op::kSetOffsetX, "Set_Offset_X", S, 1, 2},
    {op::kSetOffsetY, "Set_Offset_Y", S, 1, 2},
    {op::kSetJumpSpeed, "Set_Jump_Speed", S, 1, 8},
    {op::kSetMarkSpeed, "Set_Mark_Speed", S, 1, 8},
    {op::kSetDXDYManual, "Set_DXDY_Manual", S, 1, 4},
    {op::kStartManualOperation, "Start_Manual_Operation", S, 1, 0},
    {op::kStopManualOperation, "Stop_Manual_Operation", S, 1, 0},
    {op::kStartLaserManually, "Start_Laser_Manually", S, 1, 0},
    {op::kStopLaserManually, "Stop_Laser_Manually", S, 1, 0},
    {op::kStartManualMove, "Start_Manual_Move", S, 1, 0},
    {op::kStopManualMove, "Stop_Manual_Move", S, 1, 0},
    {op::kWritePort, "Write_Port", S, 1, 4},
    {op::kReadPort, "Read_Port", D, 2, 2},
    {op::kStartUpConfirm, "Start_Up_Confirm", S, 1, 0},
    {op::kGetJumpSpeed, "Get_Jump_Speed", D, 8, 0},
    {op::kGetMarkSpeed, "Get_Mark_Speed", D, 8, 0},
    {op::kGetXYPosX, "Get_XY_Pos_X", D, 2, 0},
    {op::kGetXYManualX, "Get_XY_Manual_X", D, 2, 0},
    {op::kGetDXDYManualDX, "Get_DXDY_Manual_DX", D, 2, 0},
    {op::kGetXYPosY, "Get_XY_Pos_Y", D, 2, 0},
    {op::kGetXYManualY, "Get_XY_Manual_Y", D, 2, 0},
    {op::kGetDXDYManualDY, "Get_DXDY_Manual_DY", D, 2, 0},
    {op::kGetManualMove, "Get_Manual_Move", D, 1, 0},
    {op::kMakeBootProgram, "Make_Boot_Program", S, 1, 12},
    {op::kSetDigGainEx, "Set_Dig_Gain_Ex", S, 1, 8},
    {op::kGetHeadMask, "Get_Head_Mask", D, 2, 0},
    {op::kCopyFileToTargetDisk, "Copy_File_To_Target_Disk", S, 1, kVaries},
    {op::kLoadCorrN, "Load_Corr_N", S, 1, 25354},
    {op::kLoadCorrFileFromTargetDisk, "Load_Corr_File_From_Target_Disk", S, 1, kVaries},
    {op::kListRecords, "List_Records", S, 1, kVaries},
    {op::kDeleteFileOnTargetDisk, "Delete_File_On_Target_Disk", S, 1, kVaries},
    {op::kSetDigGain, "Set_Dig_Gain", S, 1, 2},
    {op::kSetRotGrad, "Set_Rot_Grad", S, 1, 8},
    {op::kGotoXYEx, "Goto_XY_Ex", N, 0, 4},
    {op::kSetMarkShift, "Set_Mark_Shift", S, 1, 2},
    {op::kPutBitmaplineList, "Put_Bitmapline_List", S, 1, kVaries},
    {op::kPutBitmaplineListAlg1, "Put_Bitmapline_List_Alg1", S, 1, kVaries},
    {op::kGetIdentEx, "Get_Ident_Ex", D, 4, 0},
    {op::kRelease, "Release", N, 0, 0},
    {op::kGetModeMask, "Get_Mode_Mask", D, 2, 0},
    {op::kStartUpOpen, "Start_Up_Open", S, 1, 0},
    {op::kSetDTRMirrorSelector, "Set_DTR_Mirror_Selector", S, 1, 2},
    {op::kReadIntStartAttempts, "Read_Int_Start_Attempts", D, 2, 0},
    {op::kSetDSRMirrorSelector, "Set_DSR_Mirror_Selector", S, 1, 2},
    {op::kSet3DMode, "Set_3DMode", S, 1, 0},
    {op::kReset3DMode, "Reset_3DMode", S, 1, 0},
    {op::kSet3DParameters, "Set_3D_Parameters", S, 1, 64},
    {op::kGet3DParameters, "Get_3D_Parameters", D, 64, 4},
    {op::kGetCPUType, "Get_CPU_Type", D, 2, 0},
    {op::kPutBitmaplineListAlg2, "Put_Bitmapline_List_Alg2", S, 1, kVaries},
};

constexpr ParamKind P0 = ParamKind::kNone;
constexpr ParamKind PU = ParamKind::kUnsigned;
constexpr ParamKind PS = ParamKind::kSigned;
constexpr ParamKind PF = ParamKind::kFirstSigned;
constexpr ParamKind PL = ParamKind::kLow32;

constexpr ListOpcodeInfo kListOpcodes[] = {
    {list_op::kPolBAbs, "PolB_Abs", PS, 0, 0},
    {list_op::kPolAAbs, "PolA_Abs", PS, 0, 0},
    {list_op::kPolCAbs, "PolC_Abs", PS, 0, 0},
    {list_op::kPolARel, "PolA_Rel", PS, 0, 0},
    {list_op::kPolBRel, "PolB_Rel", PS, 0, 0},
    {list_op::kPolCRel, "PolC_Rel", PS, 0, 0},
    {list_op::kJumpRel, "Jump_Rel", PS, 0, 0},
    {list_op::kMarkRel, "Mark_Rel", PS, 0, 0},
    {list_op::kJumpAbs, "Jump_Abs", PS, 0, 0},
    {list_op::kMarkAbs, "Mark_Abs", PS, 0, 0},
    {list_op::kLaserOn, "Laser_On", PU, 0, 0},
    {list_op::kLaserOff, "Laser_Off", PU, 0, 0},
    {list_op::kLongDelay, "Long_Delay", PU, 0, 0},
    {list_op::kWriteDAList, "Write_DA_List", PU, 0, 0},
    {list_op::kSetEndOfList, "Set_End_Of_List", P0, 0, 0},
    {list_op::kSetWobbleList, "Set_Wobble_List", PU, 0, 0},
    {list_op::kSetDelays12, "Set_Delays_1_2", PU, 0, 0},
    {list_op::kSetDelays56, "Set_Delays_5_6", PU, 0, 0},
    {list_op::kSetDelays910, "Set_Delays_9_10", PU, 0, 0},
    {list_op::kResetJumpList, "Reset_Jump_List", PS, 0, 0},
    {list_op::kSetDelays34, "Set_Delays_3_4", PU, 0, 0},
    {list_op::kSetDelays78, "Set_Delays_7_8", PU, 0, 0},
    {list_op::kResetJumpListRel, "Reset_Jump_List_Rel", PS, 0, 0},
    {list_op::kSkipVarListBack, "Skip_Var_List_Back", PF, 0, 0},
    {list_op::kSetMarkParametersList, "Set_Mark_Parameters_List", PU, 0, 0},
    {list_op::kWritePortList, "Write_Port_List", PU, 0, 0},
    {list_op::kWaitForCounterValueEx, "Wait_For_Counter_Value_Ex", PL, 0, 0},
    {list_op::kMarkImmediately, "Mark_Immediately", P0, 0, 0},
    {list_op::kWaitForCounterValue, "Wait_For_Counter_Value", PS, 0, 0},
    {list_op::kSetJumpParametersList, "Set_Jump_Parameters_List", PU, 0, 0},
    {list_op::kSetHeadMask, "Set_Head_Mask", PU, 0, 0},
    {list_op::kLoopToStartList, "Loop_To_Start_List", PU, 0, 0},
    {list_op::kWaitForExternalStart, "Wait_For_External_Start", P0, 0, 0},
    {list_op::kSetAutoJumpDelayList, "Set_Auto_Jump_Delay_List", PU, 0, 0},
    {list_op::kSetJobControlList, "Set_JobControl_List", PU, 0, 0},
    {list_op::kJumpToStartList, "Jump_To_Start_List", PU, 0, 0},
    {list_op::kSkipVarList, "Skip_Var_List", PF, 0, 0},
    {list_op::kSkipCounterList, "Skip_Counter_List", PF, 0, 0},
    {list_op::kReadPortToVarList, "Read_Port_To_Var_List", PU, 0, 0},
    {list_op::kJobControlToVarList, "JobControl_To_Var_List", P0, 0, 0},
    {list_op::kSetCounterList, "Set_Counter_List", PU, 0, 0},
    {list_op::kSetDotParametersList, "Set_Dot_Parameters_List", PU, 0, 0},
    {list_op::kPolAAbsDot, "PolA_Abs_Dot", PS, 0, 0},
    {list_op::kPolBAbsDot, "PolB_Abs_Dot", PS, 0, 0},
    {list_op::kPolCAbsDot, "PolC_Abs_Dot", PS, 0, 0},
    {list_op::kMarkAbsDot, "Mark_Abs_Dot", PS, 0, 0},
    {list_op::kJumpAbs3D, "Jump_Abs_3D", PS, list_op::kJumpAbs3DZ, 0},
    {list_op::kJumpAbs3DZ, "Jump_Abs_3D.zn", PS, 0, list_op::kJumpAbs3D},
    {list_op::kMarkAbs3D, "Mark_Abs_3D", PS, list_op::kMarkAbs3DZ, 0},
    {list_op::kMarkAbs3DZ, "Mark_Abs_3D.zn", PS, 0, list_op::kMarkAbs3D},
    {list_op::kPolAAbs3D, "PolA_Abs_3D", PS, list_op::kPolAAbs3DZ, 0},
    {list_op::kPolAAbs3DZ, "PolA_Abs_3D.zn", PS, 0, list_op::kPolAAbs3D},
    {list_op::kPolBAbs3D, "PolB_Abs_3D", PS, list_op::kPolBAbs3DZ, 0},
    {list_op::kPolBAbs3DZ, "PolB_Abs_3D.zn", PS, 0, list_op::kPolBAbs3D},
    {list_op::kPolCAbs3D, "PolC_Abs_3D", PS, list_op::kPolCAbs3DZ, 0},
    {list_op::kPolCAbs3DZ, "PolC_Abs_3D.zn", PS, 0, list_op::kPolCAbs3D},
};

template <typename T, size_t Count>
constexpr std::array<const T*, 256> Index(const T (&table)[Count]) {
    std::array<const T*, 256> index{};
    for (const T& entry : table) index[entry.opcode] = &entry;
    return index;
}

constexpr auto kCommandIndex = Index(kCommands);
constexpr auto kListIndex = Index(kListOpcodes);

}  // namespace

const CommandInfo* FindCommand(uint8_t opcode) { return kCommandIndex[opcode]; }
const ListOpcodeInfo* FindListOpcode(uint8_t opcode) { return kListIndex[opcode]; }

}  // namespace txorb::proto
