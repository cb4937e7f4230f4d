#include "proto/opcodes.h"

#include <array>
#include <cstddef>

namespace txorb::proto {
namespace {

constexpr ReplyKind S = ReplyKind::kStatus;
constexpr ReplyKind D = ReplyKind::kData;
constexpr ReplyKind N = ReplyKind::kNone;
constexpr int32_t kVaries = -1;

// Sorted by opcode so a reader can find a command by eye.
constexpr CommandInfo kCommands[] = {
    {34, "Read_Status", D, 2, 0},
    {35, "Set_Speed", S, 1, 16},
    {36, "Stop_Execution", S, 1, 0},
    {37, "Start_Loop", S, 1, 0},
    {38, "Quit_Loop", S, 1, 0},
    {40, "Write_DA", S, 1, 2},
    {41, "Goto_XY", S, 1, 4},
    {42, "Get_Counts", D, 4, 0},
    {47, "Stop_Execution_NoClear", S, 1, 0},
    {53, "Test_Write_Port", S, 1, 4},
    {54, "Set_Auto_Delay", S, 1, 2},
    {55, "Set_Jump_Delay", S, 1, 2},
    {56, "Set_Mark_Delay", S, 1, 2},
    {57, "Set_Poly_Delay", S, 1, 2},
    {58, "Set_Laser_Off_Delay", S, 1, 2},
    {59, "Set_Laser_On_Delay", S, 1, 2},
    {60, "Set_T1", S, 1, 2},
    {61, "Set_T2", S, 1, 2},
    {62, "Set_T3", S, 1, 2},
    {63, "Set_Manual_Delay", S, 1, 2},
    {65, "Execute_List", S, 1, 2},
    {67, "Set_Start_List", S, 1, 2},
    {68, "Load_Cor", S, 1, 25350},
    {70, "Enable_Laser", S, 1, 0},
    {73, "Set_Max_Counts", S, 1, 2},
    {74, "Set_Mode", S, 1, 2},
    {77, "Set_YAG_Parameter", S, 1, 2},
    {78, "Aut_Change", S, 1, 0},
    {79, "Disable_Laser", S, 1, 0},
    {80, "Test_Read_Port", D, 2, 2},
    {82, "Get_Version", D, 2, 0},
    {84, "Get_KRT1_Version", D, 2, 0},
    {88, "Set_Gain_X", S, 1, 8},
    {89, "Set_Gain_Y", S, 1, 8},
    {90, "Set_Offset_X", S, 1, 2},
    {91, "Set_Offset_Y", S, 1, 2},
    {92, "Set_Jump_Speed", S, 1, 8},
    {93, "Set_Mark_Speed", S, 1, 8},
    {94, "Set_DXDY_Manual", S, 1, 4},
    {99, "Start_Manual_Operation", S, 1, 0},
    {100, "Stop_Manual_Operation", S, 1, 0},
    {101, "Start_Laser_Manually", S, 1, 0},
    {102, "Stop_Laser_Manually", S, 1, 0},
    {103, "Start_Manual_Move", S, 1, 0},
    {104, "Stop_Manual_Move", S, 1, 0},
    {113, "Write_Port", S, 1, 4},
    {114, "Read_Port", D, 2, 2},
    {115, "Start_Up_Confirm", S, 1, 0},
    {118, "Get_Jump_Speed", D, 8, 0},
    {119, "Get_Mark_Speed", D, 8, 0},
    {120, "Get_XY_Pos_X", D, 2, 0},
    {121, "Get_XY_Manual_X", D, 2, 0},
    {128, "Get_DXDY_Manual_DX", D, 2, 0},
    {129, "Get_XY_Pos_Y", D, 2, 0},
    {130, "Get_XY_Manual_Y", D, 2, 0},
    {131, "Get_DXDY_Manual_DY", D, 2, 0},
    {132, "Get_Manual_Move", D, 1, 0},
    {137, "Make_Boot_Program", S, 1, 12},
    {138, "Set_Dig_Gain_Ex", S, 1, 8},
    {143, "Get_Head_Mask", D, 2, 0},
    {144, "Copy_File_To_Target_Disk", S, 1, kVaries},
    {148, "Load_Corr_N", S, 1, 25354},
    {149, "Load_Corr_File_From_Target_Disk", S, 1, kVaries},
    {156, "List_Records", S, 1, kVaries},
    {158, "Delete_File_On_Target_Disk", S, 1, kVaries},
    {164, "Set_Dig_Gain", S, 1, 2},
    {165, "Set_Rot_Grad", S, 1, 8},
    {166, "Goto_XY_Ex", N, 0, 4},
    {167, "Set_Mark_Shift", S, 1, 2},
    {171, "Put_Bitmapline_List", S, 1, kVaries},
    {172, "Put_Bitmapline_List_Alg1", S, 1, kVaries},
    {173, "Get_Ident_Ex", D, 4, 0},
    {175, "Release", N, 0, 0},
    {176, "Get_Mode_Mask", D, 2, 0},
    {177, "Start_Up_Open", S, 1, 0},
    {187, "Set_DTR_Mirror_Selector", S, 1, 2},
    {188, "Read_Int_Start_Attempts", D, 2, 0},
    {204, "Set_DSR_Mirror_Selector", S, 1, 2},
    {218, "Set_3DMode", S, 1, 0},
    {219, "Reset_3DMode", S, 1, 0},
    {220, "Set_3D_Parameters", S, 1, 64},
    {221, "Get_3D_Parameters", D, 64, 4},
    {224, "Get_CPU_Type", D, 2, 0},
    {225, "Put_Bitmapline_List_Alg2", S, 1, kVaries},
};

constexpr ParamKind P0 = ParamKind::kNone;
constexpr ParamKind PU = ParamKind::kUnsigned;
constexpr ParamKind PS = ParamKind::kSigned;
constexpr ParamKind PF = ParamKind::kFirstSigned;
constexpr ParamKind PL = ParamKind::kLow32;

constexpr ListOpcodeInfo kListOpcodes[] = {
    {1, "PolB_Abs", PS, 0, 0},
    {2, "PolA_Abs", PS, 0, 0},
    {3, "PolC_Abs", PS, 0, 0},
    {4, "PolA_Rel", PS, 0, 0},
    {5, "PolB_Rel", PS, 0, 0},
    {6, "PolC_Rel", PS, 0, 0},
    {7, "Jump_Rel", PS, 0, 0},
    {8, "Mark_Rel", PS, 0, 0},
    {9, "Jump_Abs", PS, 0, 0},
    {10, "Mark_Abs", PS, 0, 0},
    {11, "Laser_On", PU, 0, 0},
    {12, "Laser_Off", PU, 0, 0},
    {14, "Long_Delay", PU, 0, 0},
    {15, "Write_DA_List", PU, 0, 0},
    {16, "Set_End_Of_List", P0, 0, 0},
    {19, "Set_Wobble_List", PU, 0, 0},
    {26, "Set_Delays_1_2", PU, 0, 0},
    {27, "Set_Delays_5_6", PU, 0, 0},
    {28, "Set_Delays_9_10", PU, 0, 0},
    {30, "Reset_Jump_List", PS, 0, 0},
    {32, "Set_Delays_3_4", PU, 0, 0},
    {48, "Set_Delays_7_8", PU, 0, 0},
    {51, "Reset_Jump_List_Rel", PS, 0, 0},
    {112, "Skip_Var_List_Back", PF, 0, 0},
    {116, "Set_Mark_Parameters_List", PU, 0, 0},
    {135, "Write_Port_List", PU, 0, 0},
    {139, "Wait_For_Counter_Value_Ex", PL, 0, 0},
    {141, "Mark_Immediately", P0, 0, 0},
    {142, "Wait_For_Counter_Value", PS, 0, 0},
    {145, "Set_Jump_Parameters_List", PU, 0, 0},
    {150, "Set_Head_Mask", PU, 0, 0},
    {151, "Loop_To_Start_List", PU, 0, 0},
    {153, "Wait_For_External_Start", P0, 0, 0},
    {163, "Set_Auto_Jump_Delay_List", PU, 0, 0},
    {180, "Set_JobControl_List", PU, 0, 0},
    {181, "Jump_To_Start_List", PU, 0, 0},
    {182, "Skip_Var_List", PF, 0, 0},
    {183, "Skip_Counter_List", PF, 0, 0},
    {184, "Read_Port_To_Var_List", PU, 0, 0},
    {185, "JobControl_To_Var_List", P0, 0, 0},
    {186, "Set_Counter_List", PU, 0, 0},
    {192, "Set_Dot_Parameters_List", PU, 0, 0},
    {193, "PolA_Abs_Dot", PS, 0, 0},
    {194, "PolB_Abs_Dot", PS, 0, 0},
    {195, "PolC_Abs_Dot", PS, 0, 0},
    {196, "Mark_Abs_Dot", PS, 0, 0},
    {208, "Jump_Abs_3D", PS, 209, 0},
    {209, "Jump_Abs_3D.zn", PS, 0, 208},
    {210, "Mark_Abs_3D", PS, 211, 0},
    {211, "Mark_Abs_3D.zn", PS, 0, 210},
    {212, "PolA_Abs_3D", PS, 213, 0},
    {213, "PolA_Abs_3D.zn", PS, 0, 212},
    {214, "PolB_Abs_3D", PS, 215, 0},
    {215, "PolB_Abs_3D.zn", PS, 0, 214},
    {216, "PolC_Abs_3D", PS, 217, 0},
    {217, "PolC_Abs_3D.zn", PS, 0, 216},
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
