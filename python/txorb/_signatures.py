"""The C signature of every export of libtxorb, as ctypes types.

One row per export: name -> (result type, argument types). The table is what keeps ctypes from
guessing: without it every result would be read as a C int and every double passed wrongly.
"""

from __future__ import annotations

import ctypes
from typing import Any, Dict, List, Optional, Tuple

BOOL = ctypes.c_bool  # the one-byte C bool of <stdbool.h>
U8 = ctypes.c_uint8
U16 = ctypes.c_uint16
I16 = ctypes.c_int16
U32 = ctypes.c_uint32
I32 = ctypes.c_int32
F64 = ctypes.c_double
TEXT = ctypes.c_char_p
IPTR = ctypes.c_ssize_t  # intptr_t: pointer-wide and signed on every platform we build for
P_I16 = ctypes.POINTER(ctypes.c_int16)
P_U16 = ctypes.POINTER(ctypes.c_uint16)
P_I32 = ctypes.POINTER(ctypes.c_int32)
P_F64 = ctypes.POINTER(ctypes.c_double)

Signature = Tuple[Optional[Any], List[Any]]

SIGNATURES: Dict[str, Signature] = {
    "Get_Last_Error_Code": (U32, []),
    "Get_Error_Message": (TEXT, [I32]),
    "Get_Last_Error_Message": (TEXT, []),
    "Get_DLL_Version": (U16, []),
    "Get_System_Status": (U16, []),
    "DLL_Status_Query": (I32, [I32, I32, IPTR, P_I32, P_I32]),
    "Set_Delays_11_12": (BOOL, [I32, I32]),
    "Field_Jump": (BOOL, [I32, I32]),
    "Home_Jump": (BOOL, [I32, I32]),
    "Init_Scan_Card": (BOOL, []),
    "Init_Scan_Card_Ex": (U32, [U16]),
    "Remove_Scan_Card": (BOOL, []),
    "Remove_Scan_Card_Ex": (U32, [U16]),
    "Set_Active_Card": (BOOL, [U16]),
    "Get_Active_Card": (U16, []),
    "Output_To_File": (BOOL, [TEXT]),
    "Set_Auto_Delay": (BOOL, [U16]),
    "Set_Jump_Delay": (BOOL, [U16]),
    "Set_Mark_Delay": (BOOL, [U16]),
    "Set_Poly_Delay": (BOOL, [U16]),
    "Set_Laser_Off_Delay": (BOOL, [U16]),
    "Set_Laser_On_Delay": (BOOL, [U16]),
    "Set_T1": (BOOL, [U16]),
    "Set_T2": (BOOL, [U16]),
    "Set_T3": (BOOL, [U16]),
    "Set_Manual_Delay": (BOOL, [U16]),
    "Set_Gain_X": (BOOL, [F64]),
    "Set_Gain_Y": (BOOL, [F64]),
    "Set_Offset_X": (BOOL, [I16]),
    "Set_Offset_Y": (BOOL, [I16]),
    "Set_Gain": (BOOL, [F64, F64, I16, I16]),
    "Set_Jump_Speed": (BOOL, [F64]),
    "Set_Mark_Speed": (BOOL, [F64]),
    "Set_Speed": (BOOL, [F64, F64]),
    "Get_Jump_Speed": (F64, []),
    "Get_Mark_Speed": (F64, []),
    "Set_Max_Counts": (BOOL, [I32]),
    "Set_Mode": (BOOL, [U16]),
    "Set_Dig_Gain": (BOOL, [U16]),
    "Set_Dig_Gain_Ex": (BOOL, [F64]),
    "Set_Mark_Shift": (BOOL, [U16]),
    "Set_Rot_Grad": (BOOL, [F64]),
    "Set_YAG_Parameter": (BOOL, [U16]),
    "Write_DA": (BOOL, [U16]),
    "Execute_List_1": (BOOL, []),
    "Execute_List_2": (BOOL, []),
    "Restart_List_1": (BOOL, []),
    "Restart_List_2": (BOOL, []),
    "Set_Start_List_1": (BOOL, []),
    "Set_Start_List_2": (BOOL, []),
    "Stop_Execution": (BOOL, []),
    "Stop_Execution_NoClear": (BOOL, []),
    "Start_Loop": (BOOL, []),
    "Quit_Loop": (BOOL, []),
    "Aut_Change": (BOOL, []),
    "Enable_Laser": (BOOL, []),
    "Disable_Laser": (BOOL, []),
    "Start_Manual_Operation": (BOOL, []),
    "Stop_Manual_Operation": (BOOL, []),
    "Start_Laser_Manually": (BOOL, []),
    "Stop_Laser_Manually": (BOOL, []),
    "Start_Manual_Move": (BOOL, []),
    "Stop_Manual_Move": (BOOL, []),
    "Get_Manual_Move": (U8, []),
    "Get_XY_Manual": (BOOL, [P_I16, P_I16]),
    "Get_DXDY_Manual": (BOOL, [P_I16, P_I16]),
    "Set_DXDY_Manual": (BOOL, [I16, I16]),
    "Goto_XY": (BOOL, [I16, I16]),
    "Goto_XY_Ex": (BOOL, [I16, I16]),
    "Get_XY_Pos": (BOOL, [P_I16, P_I16]),
    "Read_Status": (U16, []),
    "Get_Counts": (I32, []),
    "Get_Head_Mask": (U16, []),
    "Get_Version": (U16, []),
    "Get_KRT1_Version": (U16, []),
    "Get_Ident_Ex": (U32, []),
    "Get_CPU_Type": (U16, []),
    "Get_Mode_Mask": (U32, [P_U16]),
    "Set_3DMode": (BOOL, []),
    "Reset_3DMode": (BOOL, []),
    "Get_KRT1_Mode": (U16, []),
    "Set_Control_Mode": (BOOL, [U16]),
    "Read_Int_Start_Attempts": (U16, []),
    "Load_Cor": (BOOL, [TEXT]),
    "Load_Corr_N": (BOOL, [TEXT, I32]),
    "Corr_File_Name": (TEXT, []),
    "Load_Corr_File_From_Target_Disk": (BOOL, [TEXT]),
    "Copy_File_To_Target_Disk": (BOOL, [TEXT]),
    "Delete_File_On_Target_Disk": (BOOL, [TEXT]),
    "Make_Boot_Program": (BOOL, [TEXT]),
    "Set_3D_Parameters": (BOOL, [I32, F64, F64, F64, F64, F64, F64, F64, I32]),
    "Get_3D_Parameters": (BOOL, [P_I32, P_F64, P_F64, P_F64, P_F64, P_F64, P_F64, P_F64, I32]),
    "Put_Bitmapline_List": (BOOL, [I16, I16, I16, I16, P_U16, U16]),
    "Put_Bitmapline_List_Ex": (BOOL, [I16, I16, I16, I16, P_U16, U16, U16]),
    "Read_Port": (BOOL, [U16, P_U16]),
    "Write_Port": (BOOL, [U16, U16]),
    "Test_Read_Port": (BOOL, [U16, P_U16]),
    "Test_Write_Port": (BOOL, [U16, U16]),
    "Set_DTR_Mirror_Selector": (BOOL, [U16]),
    "Set_DSR_Mirror_Selector": (BOOL, [U16]),
    "Read_DSR_State": (BOOL, [P_U16]),
    "Set_DTR_State": (BOOL, [U16]),
    "Mark_Abs": (BOOL, [I16, I16]),
    "Mark_Rel": (BOOL, [I16, I16]),
    "PolA_Abs": (BOOL, [I16, I16]),
    "PolB_Abs": (BOOL, [I16, I16]),
    "PolC_Abs": (BOOL, [I16, I16]),
    "Mark_Abs_Dot": (BOOL, [I16, I16]),
    "PolA_Abs_Dot": (BOOL, [I16, I16]),
    "PolB_Abs_Dot": (BOOL, [I16, I16]),
    "PolC_Abs_Dot": (BOOL, [I16, I16]),
    "Jump_Abs": (BOOL, [I16, I16]),
    "Jump_Rel": (BOOL, [I16, I16]),
    "PolA_Rel": (BOOL, [I16, I16]),
    "PolB_Rel": (BOOL, [I16, I16]),
    "PolC_Rel": (BOOL, [I16, I16]),
    "Reset_Jump_List": (BOOL, [I16, I16]),
    "Reset_Jump_List_Rel": (BOOL, [I16, I16]),
    "Jump_Abs_3D": (BOOL, [I16, I16, I16, I16]),
    "Mark_Abs_3D": (BOOL, [I16, I16, I16, I16]),
    "PolA_Abs_3D": (BOOL, [I16, I16, I16, I16]),
    "PolB_Abs_3D": (BOOL, [I16, I16, I16, I16]),
    "PolC_Abs_3D": (BOOL, [I16, I16, I16, I16]),
    "Set_End_Of_List": (BOOL, []),
    "Laser_On": (BOOL, [U16]),
    "Laser_Off": (BOOL, [U16]),
    "Long_Delay": (BOOL, [U16]),
    "Set_Wobble_List": (BOOL, [U16, U16]),
    "Write_DA_List": (BOOL, [U16]),
    "Loop_To_Start_List": (BOOL, [I16]),
    "Jump_To_Start_List": (BOOL, [I16]),
    "Set_Mark_Parameters_List": (BOOL, [U16, U16]),
    "Set_Jump_Parameters_List": (BOOL, [U16, U16]),
    "Set_Dot_Parameters_List": (BOOL, [U16, U16]),
    "Set_Dot_Params_List": (BOOL, [U16, U16]),
    "Write_Port_List": (BOOL, [U16, U16]),
    "Wait_For_External_Start": (BOOL, []),
    "Mark_Immediately": (BOOL, []),
    "Wait_For_Counter_Value": (BOOL, [I16]),
    "Wait_For_Counter_Value_Ex": (BOOL, [U32]),
    "Set_Auto_Jump_Delay_List": (BOOL, [U16, U16]),
    "Set_Delays_1_2": (BOOL, [U16, U16]),
    "Set_Delays_3_4": (BOOL, [U16, U16]),
    "Set_Delays_5_6": (BOOL, [U16, U16]),
    "Set_Delays_7_8": (BOOL, [U16, U16]),
    "Set_Delays_9_10": (BOOL, [U16, U16]),
    "Set_Delays": (BOOL, [U16, U16, U16, U16, U16, U16, U16, U16, U16]),
    "Set_JobControl_List": (BOOL, [U16]),
    "Set_Head_Mask": (BOOL, [U16]),
    "Skip_Var_List": (BOOL, [I16, U16]),
    "Skip_Var_List_Back": (BOOL, [I16, U16]),
    "Skip_Counter_List": (BOOL, [I16, U16]),
    "Set_Counter_List": (BOOL, [U16]),
    "JobControl_To_Var_List": (BOOL, []),
    "Read_Port_To_Var_List": (BOOL, [U16]),
    "Set_Custlist_Parameters": (BOOL, [F64, F64, F64, U16]),
    "Get_Custlist_Parameters": (BOOL, [P_F64, P_F64, P_F64, P_U16]),
    "txorb_thread_last_failure": (U32, []),
    "txorb_error_name": (TEXT, [U32]),
    "txorb_library_version": (TEXT, []),
}


def apply_signatures(lib: Any) -> None:
    """Set restype and argtypes of every export that the loaded library has.

    An export missing from an older library is left out rather than failing the load: the
    wrappers that need it raise AttributeError when called.
    """
    for name, (result, arguments) in SIGNATURES.items():
        try:
            function = getattr(lib, name)
        except AttributeError:
            continue
        function.restype = result
        function.argtypes = arguments
