/*
 * txorb.h - host interface library of the TX-ORB laser scan-controller card.
 *
 * Every function here is a flat C export of libtxorb. Results follow one rule unless a
 * comment says otherwise: the call returns true (1) when the card executed the command and
 * false (0) when it did not; the reason is an error code whose text Get_Error_Message gives.
 *
 * Error codes chosen by this library where the card's protocol leaves them open:
 *   16  "Parameter out of bounds"   - a command payload larger than the 224,000-byte packet
 *                                     buffer, a file larger than the 223,981-byte target-disk
 *                                     copy limit (refused before it is read), or a bitmap line
 *                                     of more than 32,763 delay values (nothing is sent).
 *   10  "Invalid vector list"       - a bitmap line with no delay values (arraylen 0) or a null
 *                                     delay array; nothing is sent.
 *   21  "Invalid file format"       - also a host file that cannot be read whole after it was
 *                                     opened (a read error, or a file that shrank meanwhile).
 *   19  "Invalid pointer"           - Read_Port and Test_Read_Port with a null pValue (the port
 *                                     is not read), Read_DSR_State with a null state.
 * Get_3D_Parameters skips any output pointer that is null and fills the others.
 */
#ifndef TXORB_TXORB_H
#define TXORB_TXORB_H

#include <stdbool.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define TXORB_API __stdcall
#else
#define TXORB_API
#endif

#if defined(TXORB_BUILDING_LIBRARY) && defined(__GNUC__)
#define TXORB_VISIBLE __attribute__((visibility("default")))
#else
#define TXORB_VISIBLE
#endif

#define TXORB_EXPORT(result) TXORB_VISIBLE result TXORB_API

/* Error codes. Every code has a name, a number and the text that Get_Error_Message gives;
 * this list is the one place that holds them: the error table of the library, the Windows string
 * table (resource 10000 + code) and these TXORB_ERR_* names are all made from it. The spelling of
 * the texts is the card system's own and programs compare against it: do not correct it.
 * Code 51 is the guard entry of the string table; it is never reported. */
#define TXORB_ERROR_LIST(X) \
    X(0, OK, "No error") \
    X(1, NOT_ENOUGH_MEMORY, "Not enought memory available") \
    X(2, INVALID_BASE_ADDRESS, "Invalid base address") \
    X(3, CARD_ALREADY_INITIALISED, "Card already initialised") \
    X(4, SCAN_CARD_NOT_INITIALISED, "Scan card not initialised") \
    X(5, END_OF_LIST_MISSING, "End-of-list command missing") \
    X(6, NO_SCAN_IN_PROGRESS, "No scan in progress") \
    X(7, ACTION_NOT_POSSIBLE, "Action not possible (scan in progress)") \
    X(8, SCAN_ALREADY_IN_PROGRESS, "Scan already in progress") \
    X(9, NO_VECTORS_AVAILABLE, "No vectors available") \
    X(10, INVALID_VECTOR_LIST, "Invalid vector list") \
    X(11, SET_GAIN_IN_PROGRESS, "Set Gain in progress") \
    X(12, INVALID_LIST_INDEX, "Invalid list index") \
    X(13, LIST_INCOMPLETE, "List incomplete") \
    X(14, COULD_NOT_ADD_LIST_COMMAND, "Could not add list command") \
    X(15, COMMAND_NOT_ALLOWED_NOW, "Command not allowed now") \
    X(16, PARAMETER_OUT_OF_BOUNDS, "Parameter out of bounds") \
    X(17, COM_PORT_ALREADY_OPEN, "COM-Port already open") \
    X(18, COULD_NOT_OPEN_COM_PORT, "Could not open COM-Port") \
    X(19, INVALID_POINTER, "Invalid pointer") \
    X(20, FILE_NOT_FOUND, "File not found") \
    X(21, INVALID_FILE_FORMAT, "Invalid file format") \
    X(22, COMMAND_IGNORED, "Command ignored") \
    X(23, COM_PORT_NOT_OPEN, "COM-Port not open") \
    X(24, SERIAL_COMMAND_BUFFER_FULL, "Serial command buffer full") \
    X(25, INVALID_COMMAND_ID, "Invalid command ID") \
    X(26, NO_CARD_ACTIVE, "No card active") \
    X(27, OUT_OF_FIELD_DURING_MOTF, "Out of field during MOTF") \
    X(28, CARD_NOT_CONFIGURED_FOR_FUNCTION, "Card not configured for function") \
    X(29, UNKNOWN_ERROR, "Unknown Error") \
    X(30, INVALID_CARD_NUMBER, "Invalid card number") \
    X(31, COULD_NOT_PING_SERIAL_PORT, "Could not ping a serial port") \
    X(32, SERIAL_PORT_KEY_NOT_FOUND, "Serial port key not found in Registry") \
    X(33, PARALLEL_PORT_KEY_NOT_FOUND, "Parallel port key not found in Registry") \
    X(34, INVALID_SERIAL_PORT_NUMBER, "Invalid serial port number in Registry") \
    X(35, CARD_CONNECTION_CTOR_FAILED, "Card connection ctor failed") \
    X(36, CARD_INIT_SEQUENCE_FAILED, "Card initialisation command sequence failed") \
    X(37, FUNCTION_CALL_FAILED, "Function call failed") \
    X(38, COULD_NOT_SEND_TO_RTB, "Could not send command to RTB (communications failure).") \
    X(39, COULD_NOT_RECEIVE_FROM_RTB, "Could not recieve a response from the RTB (communications failure).") \
    X(40, RTB_DID_NOT_EXECUTE, "The RTB did not execute the command successfully.") \
    X(41, PARALLEL_SEND_FAILED, "Failed to send on Parallel port (communications error).") \
    X(42, SERIAL_SEND_FAILED, "Failed to send on Serial port (communication error).") \
    X(43, FILE_SEND_FAILED, "Failed to send to File (communication error).") \
    X(44, WRONG_RESPONSE_LENGTH, "Wrong response length from RTB (communications error).") \
    X(45, RESPONSE_TIMEOUT, "Timed out waiting for response from RTB (communications error).") \
    X(46, PORT_BUSY_READING_FILE, "Warning: cannot receive from Port because File is being read.") \
    X(47, PCD_WITH_AUTOSEGMENTATION, "cannot be used simultaneously PCD and AutoSegmentation") \
    X(48, SCAN_INTERRUPT_NOT_DETECTED, "Scan interrupt not detected.") \
    X(49, NO_MORE_PIXELS, "No more pixels available.") \
    X(50, PIXEL_NOT_READY, "Pixel not ready for output.") \
    X(51, GUARD, "Guard value - move when new messages are added.")

enum txorb_error_code {
#define TXORB_ERROR_ENUM_ENTRY_(code, name, text) TXORB_ERR_##name = code,
    TXORB_ERROR_LIST(TXORB_ERROR_ENUM_ENTRY_)
#undef TXORB_ERROR_ENUM_ENTRY_
};

#ifdef __cplusplus
extern "C" {
#endif

/* Library, errors and module information */
TXORB_EXPORT(uint32_t) Get_Last_Error_Code(void);
TXORB_EXPORT(const char*) Get_Error_Message(int32_t code);
TXORB_EXPORT(const char*) Get_Last_Error_Message(void);
TXORB_EXPORT(uint16_t) Get_DLL_Version(void);
TXORB_EXPORT(uint16_t) Get_System_Status(void);
/* lparam is pointer-wide so that query 239 can carry a buffer address on a 64-bit host; where
   a query uses xparam as a number (237, 239) the caller passes the number cast to the pointer. */
TXORB_EXPORT(int32_t) DLL_Status_Query(int32_t query_define, int32_t iparam, intptr_t lparam,
                                       int32_t* xparam, int32_t* zparam);
TXORB_EXPORT(bool) Set_Delays_11_12(int32_t value1, int32_t value2);
TXORB_EXPORT(bool) Field_Jump(int32_t value1, int32_t value2);
TXORB_EXPORT(bool) Home_Jump(int32_t value1, int32_t value2);

/* Card slots and the command capture */
TXORB_EXPORT(bool) Init_Scan_Card(void);
TXORB_EXPORT(uint32_t) Init_Scan_Card_Ex(uint16_t N);       /* the error code itself, 0 = ok */
TXORB_EXPORT(bool) Remove_Scan_Card(void);
TXORB_EXPORT(uint32_t) Remove_Scan_Card_Ex(uint16_t N);     /* always 0 */
TXORB_EXPORT(bool) Set_Active_Card(uint16_t iCard);
TXORB_EXPORT(uint16_t) Get_Active_Card(void);
TXORB_EXPORT(bool) Output_To_File(const char* lpszFileName);

/* Motion and timing parameters */
TXORB_EXPORT(bool) Set_Auto_Delay(uint16_t usStepPeriod);
TXORB_EXPORT(bool) Set_Jump_Delay(uint16_t usJumpDelay);
TXORB_EXPORT(bool) Set_Mark_Delay(uint16_t usMarkDelay);
TXORB_EXPORT(bool) Set_Poly_Delay(uint16_t usPolyDelay);
TXORB_EXPORT(bool) Set_Laser_Off_Delay(uint16_t usLaserOffDelay);
TXORB_EXPORT(bool) Set_Laser_On_Delay(uint16_t usLaserOnDelay);
TXORB_EXPORT(bool) Set_T1(uint16_t usT1);
TXORB_EXPORT(bool) Set_T2(uint16_t usT2);
TXORB_EXPORT(bool) Set_T3(uint16_t usT3);
TXORB_EXPORT(bool) Set_Manual_Delay(uint16_t usManualDelay);
TXORB_EXPORT(bool) Set_Gain_X(double dGainX);
TXORB_EXPORT(bool) Set_Gain_Y(double dGainY);
TXORB_EXPORT(bool) Set_Offset_X(int16_t ssOffsetX);
TXORB_EXPORT(bool) Set_Offset_Y(int16_t ssOffsetY);
TXORB_EXPORT(bool) Set_Gain(double dGainX, double dGainY, int16_t ssOffsetX, int16_t ssOffsetY);
TXORB_EXPORT(bool) Set_Jump_Speed(double dJumpSpeed);
TXORB_EXPORT(bool) Set_Mark_Speed(double dMarkSpeed);
TXORB_EXPORT(bool) Set_Speed(double dJumpSpeed, double dMarkSpeed);
TXORB_EXPORT(double) Get_Jump_Speed(void);
TXORB_EXPORT(double) Get_Mark_Speed(void);
TXORB_EXPORT(bool) Set_Max_Counts(int32_t iCounts);
TXORB_EXPORT(bool) Set_Mode(uint16_t usMode);
TXORB_EXPORT(bool) Set_Dig_Gain(uint16_t usDigGain);
TXORB_EXPORT(bool) Set_Dig_Gain_Ex(double dDigGain);
TXORB_EXPORT(bool) Set_Mark_Shift(uint16_t usMarkShift);
TXORB_EXPORT(bool) Set_Rot_Grad(double dGard);
TXORB_EXPORT(bool) Set_YAG_Parameter(uint16_t usPrescaler);
TXORB_EXPORT(bool) Write_DA(uint16_t usValue);

/* Execution control, manual operation and status */
TXORB_EXPORT(bool) Execute_List_1(void);
TXORB_EXPORT(bool) Execute_List_2(void);
TXORB_EXPORT(bool) Restart_List_1(void);
TXORB_EXPORT(bool) Restart_List_2(void);
TXORB_EXPORT(bool) Set_Start_List_1(void);
TXORB_EXPORT(bool) Set_Start_List_2(void);
TXORB_EXPORT(bool) Stop_Execution(void);
TXORB_EXPORT(bool) Stop_Execution_NoClear(void);
TXORB_EXPORT(bool) Start_Loop(void);
TXORB_EXPORT(bool) Quit_Loop(void);
TXORB_EXPORT(bool) Aut_Change(void);
TXORB_EXPORT(bool) Enable_Laser(void);
TXORB_EXPORT(bool) Disable_Laser(void);
TXORB_EXPORT(bool) Start_Manual_Operation(void);
TXORB_EXPORT(bool) Stop_Manual_Operation(void);
TXORB_EXPORT(bool) Start_Laser_Manually(void);
TXORB_EXPORT(bool) Stop_Laser_Manually(void);
TXORB_EXPORT(bool) Start_Manual_Move(void);
TXORB_EXPORT(bool) Stop_Manual_Move(void);
TXORB_EXPORT(uint8_t) Get_Manual_Move(void);
TXORB_EXPORT(bool) Get_XY_Manual(int16_t* x, int16_t* y);
TXORB_EXPORT(bool) Get_DXDY_Manual(int16_t* x, int16_t* y);
TXORB_EXPORT(bool) Set_DXDY_Manual(int16_t ssDXManual, int16_t ssDYManual);
TXORB_EXPORT(bool) Goto_XY(int16_t ssXPos, int16_t ssYPos);
TXORB_EXPORT(bool) Goto_XY_Ex(int16_t ssXPos, int16_t ssYPos);
TXORB_EXPORT(bool) Get_XY_Pos(int16_t* pXPos, int16_t* pYPos);
TXORB_EXPORT(uint16_t) Read_Status(void);
TXORB_EXPORT(int32_t) Get_Counts(void);
TXORB_EXPORT(uint16_t) Get_Head_Mask(void);
TXORB_EXPORT(uint16_t) Get_Version(void);
TXORB_EXPORT(uint16_t) Get_KRT1_Version(void);
TXORB_EXPORT(uint32_t) Get_Ident_Ex(void);
TXORB_EXPORT(uint16_t) Get_CPU_Type(void);
TXORB_EXPORT(uint32_t) Get_Mode_Mask(uint16_t* mode);      /* the error code itself */
TXORB_EXPORT(bool) Set_3DMode(void);
TXORB_EXPORT(bool) Reset_3DMode(void);
TXORB_EXPORT(uint16_t) Get_KRT1_Mode(void);
TXORB_EXPORT(bool) Set_Control_Mode(uint16_t usControl_Mode);
TXORB_EXPORT(uint16_t) Read_Int_Start_Attempts(void);

/* Correction files and target-disk files */
TXORB_EXPORT(bool) Load_Cor(const char* lpstrFileName);
TXORB_EXPORT(bool) Load_Corr_N(const char* lpstrFileName, int32_t N);
TXORB_EXPORT(const char*) Corr_File_Name(void);
TXORB_EXPORT(bool) Load_Corr_File_From_Target_Disk(const char* lpszFileName);
TXORB_EXPORT(bool) Copy_File_To_Target_Disk(const char* lpszFileName);
TXORB_EXPORT(bool) Delete_File_On_Target_Disk(const char* lpszFileName);
TXORB_EXPORT(bool) Make_Boot_Program(const char* lpszFileName);

/* 3D head parameters */
TXORB_EXPORT(bool) Set_3D_Parameters(int32_t iXYReqField, double dXYMaxGalvoAngles, double dYrad,
                                     double dXtoY, double dObjtoX, double dFocalLength,
                                     double dMidFocPosition, double dMaxLensTravel, int32_t inHead);
TXORB_EXPORT(bool) Get_3D_Parameters(int32_t* iXYReqField, double* dXYMaxGalvoAngles,
                                     double* dYrad, double* dXtoY, double* dObjtoX,
                                     double* dFocalLength, double* dMidFocPosition,
                                     double* dMaxLensTravel, int32_t inHead);

/* Bitmap lines */
TXORB_EXPORT(bool) Put_Bitmapline_List(int16_t LineBegX, int16_t LineBegY, int16_t LineEndX,
                                       int16_t LineEndY, uint16_t* pArrDelays, uint16_t arraylen);
TXORB_EXPORT(bool) Put_Bitmapline_List_Ex(int16_t LineBegX, int16_t LineBegY, int16_t LineEndX,
                                          int16_t LineEndY, uint16_t* pArrDelays,
                                          uint16_t arraylen, uint16_t BitmapAlgorithmSelect);

/* I/O ports and signal lines */
TXORB_EXPORT(bool) Read_Port(uint16_t usAddressOffset, uint16_t* pValue);
TXORB_EXPORT(bool) Write_Port(uint16_t usAddressOffset, uint16_t usValue);
TXORB_EXPORT(bool) Test_Read_Port(uint16_t usAddressOffset, uint16_t* pValue);
TXORB_EXPORT(bool) Test_Write_Port(uint16_t usAddressOffset, uint16_t usValue);
TXORB_EXPORT(bool) Set_DTR_Mirror_Selector(uint16_t usSelector);
TXORB_EXPORT(bool) Set_DSR_Mirror_Selector(uint16_t usSelector);
TXORB_EXPORT(bool) Read_DSR_State(uint16_t* state);
TXORB_EXPORT(bool) Set_DTR_State(uint16_t usState);

/* List commands */
TXORB_EXPORT(bool) Mark_Abs(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) Mark_Rel(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) PolA_Abs(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) PolB_Abs(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) PolC_Abs(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) Mark_Abs_Dot(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) PolA_Abs_Dot(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) PolB_Abs_Dot(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) PolC_Abs_Dot(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) Jump_Abs(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) Jump_Rel(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) PolA_Rel(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) PolB_Rel(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) PolC_Rel(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) Reset_Jump_List(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) Reset_Jump_List_Rel(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) Jump_Abs_3D(int16_t ssXVal, int16_t ssYVal, int16_t ssZVal, int16_t ssNVal);
TXORB_EXPORT(bool) Mark_Abs_3D(int16_t ssXVal, int16_t ssYVal, int16_t ssZVal, int16_t ssNVal);
TXORB_EXPORT(bool) PolA_Abs_3D(int16_t ssXVal, int16_t ssYVal, int16_t ssZVal, int16_t ssNVal);
TXORB_EXPORT(bool) PolB_Abs_3D(int16_t ssXVal, int16_t ssYVal, int16_t ssZVal, int16_t ssNVal);
TXORB_EXPORT(bool) PolC_Abs_3D(int16_t ssXVal, int16_t ssYVal, int16_t ssZVal, int16_t ssNVal);
TXORB_EXPORT(bool) Set_End_Of_List(void);
TXORB_EXPORT(bool) Laser_On(uint16_t usDelay);
TXORB_EXPORT(bool) Laser_Off(uint16_t usDelay);
TXORB_EXPORT(bool) Long_Delay(uint16_t usDelay);
TXORB_EXPORT(bool) Set_Wobble_List(uint16_t usWidth, uint16_t usPeriod);
TXORB_EXPORT(bool) Write_DA_List(uint16_t usValue);
TXORB_EXPORT(bool) Loop_To_Start_List(int16_t iTargetList);
TXORB_EXPORT(bool) Jump_To_Start_List(int16_t iTargetList);
TXORB_EXPORT(bool) Set_Mark_Parameters_List(uint16_t usStepPeriod, uint16_t usStepSize);
TXORB_EXPORT(bool) Set_Jump_Parameters_List(uint16_t usStepPeriod, uint16_t usJumpSize);
TXORB_EXPORT(bool) Set_Dot_Parameters_List(uint16_t usDistance, uint16_t usDuration);
TXORB_EXPORT(bool) Set_Dot_Params_List(uint16_t usDistance, uint16_t usDuration);
TXORB_EXPORT(bool) Write_Port_List(uint16_t usAddressOffset, uint16_t usValue);
TXORB_EXPORT(bool) Wait_For_External_Start(void);
TXORB_EXPORT(bool) Mark_Immediately(void);
TXORB_EXPORT(bool) Wait_For_Counter_Value(int16_t ssValue);
TXORB_EXPORT(bool) Wait_For_Counter_Value_Ex(uint32_t nValue);
TXORB_EXPORT(bool) Set_Auto_Jump_Delay_List(uint16_t usDelay, uint16_t usLen);
TXORB_EXPORT(bool) Set_Delays_1_2(uint16_t usStepPeriod, uint16_t usJumpDelay);
TXORB_EXPORT(bool) Set_Delays_3_4(uint16_t usMarkDelay, uint16_t usPolyDelay);
TXORB_EXPORT(bool) Set_Delays_5_6(uint16_t usLaserOffDelay, uint16_t usLaserOnDelay);
TXORB_EXPORT(bool) Set_Delays_7_8(uint16_t usT1, uint16_t usT2);
TXORB_EXPORT(bool) Set_Delays_9_10(uint16_t usT3, uint16_t usT4);
TXORB_EXPORT(bool) Set_Delays(uint16_t usStepPeriod, uint16_t usJumpDelay, uint16_t usMarkDelay,
                              uint16_t usPolyDelay, uint16_t usLaserOffDelay,
                              uint16_t usLaserOnDelay, uint16_t usT1, uint16_t usT2,
                              uint16_t usT3);
TXORB_EXPORT(bool) Set_JobControl_List(uint16_t usJobControlWORD);
TXORB_EXPORT(bool) Set_Head_Mask(uint16_t usHead_N);
TXORB_EXPORT(bool) Skip_Var_List(int16_t ssEntries, uint16_t usMASK);
TXORB_EXPORT(bool) Skip_Var_List_Back(int16_t ssEntries, uint16_t usMASK);
TXORB_EXPORT(bool) Skip_Counter_List(int16_t ssEntries, uint16_t usCounter_List);
TXORB_EXPORT(bool) Set_Counter_List(uint16_t usCounter_List);
TXORB_EXPORT(bool) JobControl_To_Var_List(void);
TXORB_EXPORT(bool) Read_Port_To_Var_List(uint16_t usPORT);

/* Vector capture parameters (automatic segmentation, switched on by Set_Mode bit 0x200).
   A micro-segment length of 0 or a power-control slope of 0 does not stop the list: each
   polyline is then marked unramped, with one Set_Mark_Parameters_List record of the nominal
   step values and a mark to each vertex. */
TXORB_EXPORT(bool) Set_Custlist_Parameters(double dLeadInPower, double dLeadOutPower,
                                           double dPowerControlSlope,
                                           uint16_t nMicroSegmentLenght);
TXORB_EXPORT(bool) Get_Custlist_Parameters(double* dLeadInPower, double* dLeadOutPower,
                                           double* dPowerControlSlope,
                                           uint16_t* nMicroSegmentLenght);

/* Extensions of this library, outside the card system's catalogue (names start with txorb_). */

/* The code that the most recent export called on this thread failed with: the code its message
 * box would show (or would have shown, for an export that reports nothing), and 0 when that
 * export succeeded. Every catalogue export sets it; it changes nothing of Get_Last_Error_Code. */
TXORB_EXPORT(uint32_t) txorb_thread_last_failure(void);
/* The name of a code without its TXORB_ERR_ prefix ("NO_CARD_ACTIVE"), or NULL for a code that
 * has none. The text is static. */
TXORB_EXPORT(const char*) txorb_error_name(uint32_t code);
/* The library's release version ("1.0.0", the one of its SONAME and packages). Get_DLL_Version
 * gives the file version that programs written for the card check, which is another number. */
TXORB_EXPORT(const char*) txorb_library_version(void);

#ifdef __cplusplus
}
#endif

#endif /* TXORB_TXORB_H */
