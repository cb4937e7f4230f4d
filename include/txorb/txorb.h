/*
 * txorb.h - host interface library of the TX-ORB laser scan-controller card.
 *
 * A program loads libtxorb (txorb.dll on Windows) and calls the flat C functions below to set
 * up to ten cards, set laser and scanner timing, build vector lists, run them, move the scan
 * head by hand and read status. The card's controller, the RTB, stores and executes the lists;
 * the library frames command packets, sends them over the card's serial port (or its parallel
 * port) and reads the RTB's replies, which always come back on the serial port. Every card
 * command goes to the active card: the one last initialised or chosen with Set_Active_Card.
 *
 * RESULTS AND ERRORS
 *
 * Most functions return bool, the one-byte bool of C99 and C++ (from other languages read an
 * unsigned 8-bit integer): 1 (true) when the card executed the command - for a list function,
 * when its record was queued - and 0 (false) when not. A few return a value or the error code
 * itself; their comments say so. The reason for a failure is an error code, one of the
 * TXORB_ERR_ names below (TXORB_ERR_OK, 0, is success). Get_Error_Message gives a code's text,
 * txorb_error_name its name.
 *
 * There are three ways to learn the code of a failure:
 *  - txorb_thread_last_failure() (an extension of this library) gives the outcome of the
 *    function this thread called last: 0 when it succeeded, else its code - for a function
 *    that answers with a value (Read_Status, Get_XY_Manual...) the code of the exchange
 *    behind the value. Use this one.
 *  - Get_Last_Error_Code() is one process-wide value that programs written for the card read,
 *    but it is NOT the code of the last failure. Exactly these places write it:
 *      1. every call that needs the active card and finds none stores TXORB_ERR_NO_CARD_ACTIVE
 *         (card commands, list functions whose records fall due, Output_To_File,
 *         Get_System_Status, Set_Active_Card with a slot outside 1..10);
 *      2. Get_XY_Manual and Get_DXDY_Manual store TXORB_ERR_INVALID_POINTER for a null output;
 *      3. Get_XY_Pos stores its own outcome, TXORB_ERR_OK included;
 *      4. Load_Cor and Load_Corr_N store TXORB_ERR_FILE_NOT_FOUND for a null file name.
 *    Nothing else touches it: a failed exchange (TXORB_ERR_RESPONSE_TIMEOUT, say) leaves it as
 *    it was, and only Get_XY_Pos ever sets it back to 0, so after a single call without an
 *    active card it reads TXORB_ERR_NO_CARD_ACTIVE until then.
 *  - The message box. When the registry value "DisplayErrors" is 1, a function that "reports"
 *    shows each failure: on Windows a modal message box, elsewhere the caption and then the
 *    body on standard error. The caption is "TX-ORB ErrorCode " and the code; the body is the
 *    code's text, an empty line and "API call: " with the function's name (Init_Scan_Card_Ex
 *    adds an empty line and "Context : " with the slot number). The calling thread waits until
 *    the box is closed; other threads go on. "DisplayErrors" is read at the first report after
 *    the library is loaded, a success included, and then kept; only Stop_Execution reads it
 *    again, at each of its calls. A function reports under its own name unless its comment says
 *    otherwise; "silent" means it never shows a box (its code still reaches
 *    txorb_thread_last_failure).
 *
 * Words used by the comments below:
 *  - status command: sent to the card at once; waits for the RTB's one-byte status. Gives
 *    TXORB_ERR_NO_CARD_ACTIVE (nothing sent), a link code, or TXORB_ERR_RTB_DID_NOT_EXECUTE
 *    when the RTB answers status 0 (it refused the command or one of its values).
 *  - query: sent at once; waits for the RTB's data reply. Gives TXORB_ERR_NO_CARD_ACTIVE or a
 *    link code; the value read is 0 (or the stated preset) whenever the code is not 0.
 *  - link codes: sending failed - TXORB_ERR_PARALLEL_SEND_FAILED, TXORB_ERR_SERIAL_SEND_FAILED
 *    (also a COM port that could not be opened), TXORB_ERR_FILE_SEND_FAILED (the capture file
 *    could not be written; the packet still went to the card, but its reply is not read);
 *    no valid reply - TXORB_ERR_COM_PORT_NOT_OPEN, TXORB_ERR_WRONG_RESPONSE_LENGTH,
 *    TXORB_ERR_RESPONSE_TIMEOUT.
 *  - frame: the function reports its code and returns true for TXORB_ERR_OK.
 *
 * WAITING
 *
 * A status command or query holds the calling thread until the reply is in. The wait is
 * bounded by the card's "comm_timeout" (registry, in ms, default 2000): the longest silence
 * allowed before each reply byte, not a limit on the whole reply. A silent card therefore
 * costs one comm_timeout and gives TXORB_ERR_RESPONSE_TIMEOUT; a card that trickles a reply of
 * n bytes can take up to (n + 2) x comm_timeout. A serial line that goes away (an adapter
 * unplugged) gives TXORB_ERR_RESPONSE_TIMEOUT at once. A "comm_timeout" of 0, or none, means
 * 2000; any other value, a negative one included, is taken as an unsigned number of ms, so
 * "-1" waits until the line fails. Sending is bounded too: on the serial port by 2 ms a byte
 * plus 100 ms a 4,096-byte chunk, on the parallel port by 10,000 status polls a byte. Waits on
 * the serial port sleep in the kernel; only the parallel handshake polls.
 * Input waiting on the line is discarded before each command is sent, so a reply that arrives
 * after its command timed out is dropped, unless it comes only after the next command was
 * sent: that command then takes it as its own reply. After TXORB_ERR_RESPONSE_TIMEOUT, check
 * the card (Read_Status) before trusting the outcome of the next transfer.
 * Longer or no waits: Init_Scan_Card(_Ex) waits for one status byte, and with "ping_allowed"
 * probes COM ports for at least 100 ms each; Remove_Scan_Card(_Ex) waits 500 ms after its stop
 * sequence, and unloading the library stops every card still initialised; list functions wait
 * only when their records go out (LISTS); Goto_XY_Ex does not wait for a reply; Read_DSR_State
 * and Set_DTR_State only touch the serial port's lines. These never touch a card and return at
 * once: the error functions, Get_DLL_Version, Get_System_Status, DLL_Status_Query (except 237
 * and 242), Get_Active_Card, Set_Active_Card, Output_To_File, Corr_File_Name, Get_KRT1_Mode,
 * Set_Control_Mode, Set_Custlist_Parameters, Get_Custlist_Parameters, Set_Delays_11_12,
 * Field_Jump, Home_Jump and the txorb_ extensions.
 *
 * LISTS
 *
 * The list functions ("List commands" below) do not talk to the card one by one: each queues
 * one 5-byte record (two for the 3D vectors) in one process-wide buffer, shared by all cards
 * and threads. The buffer goes to the active card as one packet when 2,500 bytes are pending
 * and at Set_End_Of_List, and before every Stop_Execution, Stop_Execution_NoClear and bitmap
 * line. Only the call that sends it waits, and only that call can fail with a card or link
 * code; every other list call succeeds even with no card initialised. A transfer empties the
 * buffer whatever the card answers: a failed transfer loses every record that was pending.
 * The two stop commands empty it as well, and so does a card initialisation once it has chosen
 * the card's links. Records go to whichever card is active when they are sent. Execute_List_1
 * and its siblings start a list that the card already holds.
 *
 * THREADS
 *
 * Any thread may call any function; the library starts no threads of its own. One
 * library-wide lock covers every exchange with a card, from the first byte sent to the last
 * byte of the reply, so packets never mix on the wire and a call may wait for another
 * thread's exchange to end. The list buffer is safe to append to from several threads, but
 * there is only one: records from several threads interleave in one list in the order of the
 * calls. Build each list from one thread. Card set-up and removal (Init_Scan_Card,
 * Remove_Scan_Card and their _Ex forms, Set_Active_Card) and the capture switch of Set_Mode
 * are not synchronised with other threads' commands: do them while no other thread uses the
 * cards.
 *
 * RETURNED TEXTS
 *
 * Get_Error_Message, Get_Last_Error_Message, Corr_File_Name, txorb_error_name and
 * txorb_library_version return pointers to the library's own storage: never free them. They
 * stay valid until the library is unloaded. A message text never changes once handed out;
 * Corr_File_Name's text changes with the next correction file opened (copy it to keep it).
 *
 * UNITS
 *
 * The library converts nothing: integers travel to the card as 16-bit little-endian words (32
 * bits where a comment says so), doubles as their 8-byte IEEE image. Meanings, units and
 * ranges are the RTB's, and it answers status 0 to a value it does not take; the library checks
 * a range only where a comment says so. The TX-ORB RTB (and the virtual card txorb-sim) uses:
 *  - positions: bits, signed 16-bit, -32768..32767 across the field;
 *  - speeds: bits per millisecond (at power-up jump 1000, mark 250);
 *  - delays after moves (jump, mark and polygon delays), Laser_On, Laser_Off, Long_Delay and
 *    the dot duration: units of 10 us;
 *  - step periods (Set_Mark_Parameters_List, Set_Jump_Parameters_List): microseconds; the
 *    speed is then step size / step period x 1000 bits/ms;
 *  - bitmap pixel delays: microseconds.
 *
 * CONFIGURATION
 *
 * The library reads its configuration under HKEY_LOCAL_MACHINE and writes nothing. On Windows
 * that is the system registry; elsewhere a text file in the registry export format (.reg)
 * named by the environment variable TXORB_REGISTRY (default /etc/txorb/registry.reg), read
 * afresh at each use. The values, N being the slot 1..10:
 *   Software\Zazave\TX-ORB_Card<N>   "serial_port"    text, decimal: 1..19 that COM port, with
 *                                                     the parallel link below when both of its
 *                                                     values are there; 41..59 COM port n - 40
 *                                                     and no parallel link; 0 or 25 the COM
 *                                                     port of the serial driver's map
 *                                    "parallel_port", "fifo_port"  text, hexadecimal: the two
 *                                                     I/O bases of the card's parallel link
 *                                    "comm_timeout"   text, decimal ms (WAITING)
 *                                    "CMD_dump_file"  text: capture file (Output_To_File)
 *   Software\Zazave                  "ping_allowed"   "yes" in any letter case: find the card
 *                                                     on the PCI bus and its COM port by
 *                                                     probing instead (only "comm_timeout" and
 *                                                     "CMD_dump_file" are still read)
 *   SOFTWARE\Zazave\TX-ORB           "DisplayErrors"  DWORD, 1: the message box
 *                                    "DisplayMessBox" DWORD, 1: calls record their arguments
 *                                                     in a trace line (read at each
 *                                                     Init_Scan_Card and Init_Scan_Card_Ex)
 *   SOFTWARE\Zazave\TX-ORB\ComPorts  "COM<n>"         not Windows: the device of COM port n
 *                                                     (default /dev/ttyS<n-1>)
 * Not on Windows, the environment variable TXORB_PORT_DRIVER names the port-driver module for
 * the parallel port and the PCI search (txorb/port_driver.h); unset, a built-in one is used.
 *
 * CODES THIS LIBRARY CHOSE
 *
 * Where the card's protocol leaves the code open, this library gives:
 *   TXORB_ERR_PARAMETER_OUT_OF_BOUNDS - a command payload larger than the 224,000-byte packet
 *       buffer, a file larger than the 223,981-byte target-disk copy limit (refused before it
 *       is read), or a bitmap line of more than 32,763 delay values (nothing is sent).
 *   TXORB_ERR_INVALID_VECTOR_LIST - a bitmap line with no delay values (arraylen 0) or a null
 *       delay array; nothing is sent.
 *   TXORB_ERR_INVALID_FILE_FORMAT - also a host file that cannot be read whole after it was
 *       opened (a read error, or a file that shrank meanwhile).
 *   TXORB_ERR_INVALID_POINTER - Read_Port and Test_Read_Port with a null pValue (the port is
 *       not read), Read_DSR_State with a null state, Get_Mode_Mask with a null mode.
 *   TXORB_ERR_NOT_ENOUGH_MEMORY - the list buffer could not grow (the record is not queued),
 *       or the end-of-list rewrite ran out of memory (nothing of it is sent).
 * Get_3D_Parameters skips any output pointer that is null and fills the others.
 */
#ifndef TXORB_TXORB_H
#define TXORB_TXORB_H

#include <stdbool.h>
#include <stdint.h>

/* The calling convention of every function: __stdcall on 32-bit Windows, the platform's own
 * elsewhere. */
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
 * table (resource 10000 + code) and these TXORB_ERR_ names are all made from it. The spelling of
 * the texts is the card system's own and programs compare against it: do not correct it.
 * Codes 2..9, 11, 13..15, 17, 18, 22, 24, 25, 27, 29, 33, 39 and 46..50 have texts but no
 * function gives them (12 only txorb_thread_last_failure); 29's text is also that of every
 * code outside 0..50. Code 51 is the guard entry of the string table; it is never reported. */
/* One entry a line, as the string-table generator reads them. */
/* clang-format off */
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
/* clang-format on */

enum txorb_error_code {
#define TXORB_ERROR_ENUM_ENTRY_(code, name, text) TXORB_ERR_##name = code,
    TXORB_ERROR_LIST(TXORB_ERROR_ENUM_ENTRY_)
#undef TXORB_ERROR_ENUM_ENTRY_
};

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Library, errors and module information ---------------------------------------------
 * About the library itself. None of these exchanges a command with a card (DLL_Status_Query
 * 242 probes a COM port on its own), and none reports. */

/* The process-wide last-error value (RESULTS AND ERRORS: only four kinds of place write it). */
TXORB_EXPORT(uint32_t) Get_Last_Error_Code(void);
/* The text of a code (never NULL, static). Codes outside 0..50, the guard 51 included, give
 * the text of TXORB_ERR_UNKNOWN_ERROR. Before the library has finished loading it gives
 * "Invalid module instance handle for error messages!", and "Could not load error message
 * string!" when the string table has no text for the code. */
TXORB_EXPORT(const char*) Get_Error_Message(int32_t code);
/* Get_Error_Message(Get_Last_Error_Code()). */
TXORB_EXPORT(const char*) Get_Last_Error_Message(void);
/* The library's file version as one number: (major x 10 + minor) x 100 + build of its file
 * version "11, 2, 49, 0", that is 11249; 0 when the version cannot be read. Programs written
 * for the card check it; txorb_library_version gives the release version. */
TXORB_EXPORT(uint16_t) Get_DLL_Version(void);
/* 1 when no card is active (and Get_Last_Error_Code becomes TXORB_ERR_NO_CARD_ACTIVE).
 * Otherwise, ORed together: 1, the active slot << 1, the card's COM port number (8 bits) << 6,
 * and 0x200 when the card has a parallel link. The fields overlap: COM ports 8..15 set 0x200
 * as well. */
TXORB_EXPORT(uint16_t) Get_System_Status(void);
/* Numbered questions about the slots, the PCI bus and the COM ports; never reports. By
 * query_define:
 *   230, 231  nothing; returns 1.
 *   232       slot iparam (0..10; 0 always holds the defaults): its parallel I/O base into
 *             *xparam and its FIFO base into *zparam (65535 = none; a null pointer is
 *             skipped); returns 1, or 0 for a slot outside 0..10.
 *   233       slot iparam: its COM port number into *xparam (0 = none); 1, or 0 as for 232.
 *   237       reads the 256-byte PCI configuration header of bus iparam, device lparam,
 *             function (int32_t)xparam into the buffer zparam (at least 256 bytes); returns 1
 *             when it was read, else 0.
 *   239       copies the first (int32_t)xparam bytes (at most 220) of the slot table to the
 *             buffer whose address is lparam: 11 records of 20 bytes, little-endian - parallel
 *             base u32, FIFO base u32, parallel base from the configuration u8, 3 zero bytes,
 *             COM port u32, COM port from "serial_port" u8, slot in use u8, 2 zero bytes.
 *             Returns 1, or 0 when the address is 0 or the count is not positive.
 *   242       probes COM port iparam: sends a status request and waits 100 ms for any byte;
 *             returns iparam when one came, else 0 (also for a port a card holds).
 *   any other 0.
 * lparam is pointer-wide so that 239 can carry a buffer address on a 64-bit host; where a
 * query takes xparam as a number (237, 239) the caller passes the number cast to the pointer. */
TXORB_EXPORT(int32_t) DLL_Status_Query(int32_t query_define, int32_t iparam, intptr_t lparam,
                                       int32_t* xparam, int32_t* zparam);
/* Kept for programs written for older cards: they do nothing and return true, also with no
 * card initialised. */
TXORB_EXPORT(bool) Set_Delays_11_12(int32_t value1, int32_t value2);
TXORB_EXPORT(bool) Field_Jump(int32_t value1, int32_t value2);
TXORB_EXPORT(bool) Home_Jump(int32_t value1, int32_t value2);

/* ---- Card slots and the command capture -------------------------------------------------
 * Up to ten cards, in slots 1..10; one of them is the active card that every card command
 * goes to. A card's links come from the registry (CONFIGURATION) or, with "ping_allowed", from
 * a search of the PCI bus and the COM ports. */

/* Init_Scan_Card_Ex for slot 1, returning true for success; reports without the context line. */
TXORB_EXPORT(bool) Init_Scan_Card(void);
/* Initialises slot N (1..10) and makes it the active card. A slot that already holds a card
 * is only made active again (no exchange). Otherwise it reads "DisplayMessBox", chooses the
 * links, empties the list buffer, opens the ports and exchanges the start-up handshake (waits
 * for one status byte). Returns the code itself, 0 for success: TXORB_ERR_INVALID_CARD_NUMBER,
 * TXORB_ERR_COULD_NOT_PING_SERIAL_PORT (the search found no card),
 * TXORB_ERR_SERIAL_PORT_KEY_NOT_FOUND ("serial_port" missing, or the driver's map has no
 * entry), TXORB_ERR_INVALID_SERIAL_PORT_NUMBER, TXORB_ERR_CARD_CONNECTION_CTOR_FAILED,
 * TXORB_ERR_CARD_INIT_SEQUENCE_FAILED (COM port outside 1..20), a link code or
 * TXORB_ERR_RTB_DID_NOT_EXECUTE from the handshake. A failure leaves the slot empty; reports
 * with the slot number as context. */
TXORB_EXPORT(uint32_t) Init_Scan_Card_Ex(uint16_t N);
/* Remove_Scan_Card_Ex(1); always true. */
TXORB_EXPORT(bool) Remove_Scan_Card(void);
/* Stops card N (1..10) with its stop sequence, waits 500 ms, closes its ports and its capture
 * file and frees the slot, whatever the card answers. Afterwards NO card is active, whichever
 * was before; choose one with Set_Active_Card. An empty slot only clears the active card; a
 * slot outside 1..10 changes nothing. Always returns 0; silent. */
TXORB_EXPORT(uint32_t) Remove_Scan_Card_Ex(uint16_t N);
/* Makes slot iCard the active card when it holds one: true. Otherwise the active card stays
 * as it was and it reports TXORB_ERR_FUNCTION_CALL_FAILED (a slot outside 1..10 also stores
 * TXORB_ERR_NO_CARD_ACTIVE in Get_Last_Error_Code). */
TXORB_EXPORT(bool) Set_Active_Card(uint16_t iCard);
/* The active slot 1..10, 0 when none. */
TXORB_EXPORT(uint16_t) Get_Active_Card(void);
/* Starts a new capture file of the active card: the file is created or emptied, and every
 * packet sent to the card from now on is appended to it as sent, except the status polls of
 * Read_Status. NULL or "" stops the capture. False when no card is active or the file cannot
 * be created; silent. The registry value "CMD_dump_file" starts one at initialisation. */
TXORB_EXPORT(bool) Output_To_File(const char* lpszFileName);

/* ---- Motion and timing parameters -------------------------------------------------------
 * Immediate settings of the active card: each is a status command (frame) unless its comment
 * says otherwise. The library keeps no copy of any of them. */

/* Set_Auto_Delay: the step period, us. Set_Jump_Delay, Set_Mark_Delay, Set_Poly_Delay: the
 * wait after a jump, after a mark, and at a polygon corner, in 10 us units. Set_Laser_Off_Delay,
 * Set_Laser_On_Delay, Set_T1, Set_T2, Set_T3: the laser timing values, in the card's units. */
TXORB_EXPORT(bool) Set_Auto_Delay(uint16_t usStepPeriod);
TXORB_EXPORT(bool) Set_Jump_Delay(uint16_t usJumpDelay);
TXORB_EXPORT(bool) Set_Mark_Delay(uint16_t usMarkDelay);
TXORB_EXPORT(bool) Set_Poly_Delay(uint16_t usPolyDelay);
TXORB_EXPORT(bool) Set_Laser_Off_Delay(uint16_t usLaserOffDelay);
TXORB_EXPORT(bool) Set_Laser_On_Delay(uint16_t usLaserOnDelay);
TXORB_EXPORT(bool) Set_T1(uint16_t usT1);
TXORB_EXPORT(bool) Set_T2(uint16_t usT2);
TXORB_EXPORT(bool) Set_T3(uint16_t usT3);
/* The delay of the manual mode; silent. */
TXORB_EXPORT(bool) Set_Manual_Delay(uint16_t usManualDelay);
/* The scale of each axis (double, sent unchanged) and its offset in bits. */
TXORB_EXPORT(bool) Set_Gain_X(double dGainX);
TXORB_EXPORT(bool) Set_Gain_Y(double dGainY);
TXORB_EXPORT(bool) Set_Offset_X(int16_t ssOffsetX);
TXORB_EXPORT(bool) Set_Offset_Y(int16_t ssOffsetY);
/* Set_Gain_X, Set_Gain_Y, Set_Offset_X, Set_Offset_Y in this order, four exchanges (another
 * thread's command may come between them); stops at the first that fails, which reports for
 * itself, and then reports TXORB_ERR_FUNCTION_CALL_FAILED under Set_Gain. */
TXORB_EXPORT(bool) Set_Gain(double dGainX, double dGainY, int16_t ssOffsetX, int16_t ssOffsetY);
/* The speed of jumps and of marks, bits/ms (double, sent unchanged). Set_Speed sends both in
 * one packet, the jump speed first. */
TXORB_EXPORT(bool) Set_Jump_Speed(double dJumpSpeed);
TXORB_EXPORT(bool) Set_Mark_Speed(double dMarkSpeed);
TXORB_EXPORT(bool) Set_Speed(double dJumpSpeed, double dMarkSpeed);
/* Queries: the card's jump or mark speed in bits/ms; 0.0 on any failure; they report. */
TXORB_EXPORT(double) Get_Jump_Speed(void);
TXORB_EXPORT(double) Get_Mark_Speed(void);
/* How many passes a looping list makes. Only the low 16 bits are sent (70000 sends 4464). */
TXORB_EXPORT(bool) Set_Max_Counts(int32_t iCounts);
/* The card's mode word. Bit 0x200 also switches this library's vector capture on or off
 * (Set_Custlist_Parameters) before anything is sent, even with no card active and whatever
 * the card answers. A status of 0, or no status at all, gives
 * TXORB_ERR_CARD_NOT_CONFIGURED_FOR_FUNCTION instead of TXORB_ERR_RTB_DID_NOT_EXECUTE or a
 * reply code. */
TXORB_EXPORT(bool) Set_Mode(uint16_t usMode);
/* The digital gain, as a word or as a double. */
TXORB_EXPORT(bool) Set_Dig_Gain(uint16_t usDigGain);
TXORB_EXPORT(bool) Set_Dig_Gain_Ex(double dDigGain);
/* The mark shift, in the card's units. */
TXORB_EXPORT(bool) Set_Mark_Shift(uint16_t usMarkShift);
/* The rotation of the field, an angle (double, sent unchanged; the card's units). */
TXORB_EXPORT(bool) Set_Rot_Grad(double dGard);
/* The prescaler of a YAG laser's Q-switch. */
TXORB_EXPORT(bool) Set_YAG_Parameter(uint16_t usPrescaler);
/* Writes the D/A converter (the laser power, 0..255 of full scale): only the low byte of
 * usValue counts. Reports under the name "WriteDA". */
TXORB_EXPORT(bool) Write_DA(uint16_t usValue);

/* ---- Execution control, manual operation and status -------------------------------------
 * Starting, looping and stopping the card's two lists, moving the head by hand and reading the
 * card's state. Each is one exchange (two for the X/Y reads); the card alone knows whether a
 * list runs (Read_Status). */

/* Start list 1 or 2 from its first record; Restart_ sends the very same packet. Frame. */
TXORB_EXPORT(bool) Execute_List_1(void);
TXORB_EXPORT(bool) Execute_List_2(void);
TXORB_EXPORT(bool) Restart_List_1(void);
TXORB_EXPORT(bool) Restart_List_2(void);
/* Chooses the list memory that the next list records fill. Frame. */
TXORB_EXPORT(bool) Set_Start_List_1(void);
TXORB_EXPORT(bool) Set_Start_List_2(void);
/* Stop the card: first the pending list records are sent, then the list buffer is emptied
 * (records queued meanwhile included) and the stop goes out. Stop_Execution also clears the
 * card's lists; Stop_Execution_NoClear keeps them. A send failure gives
 * TXORB_ERR_COULD_NOT_SEND_TO_RTB instead of the send's own code. Frame; Stop_Execution reads
 * "DisplayErrors" again before it reports. */
TXORB_EXPORT(bool) Stop_Execution(void);
TXORB_EXPORT(bool) Stop_Execution_NoClear(void);
/* Start_Loop: the list repeats (up to Set_Max_Counts passes); Quit_Loop: the running pass is
 * the last (silent). Aut_Change: when the running list ends, the other one follows once.
 * Enable_Laser, Disable_Laser: let the laser fire or keep it off. Status commands; frame
 * except Quit_Loop. */
TXORB_EXPORT(bool) Start_Loop(void);
TXORB_EXPORT(bool) Quit_Loop(void);
TXORB_EXPORT(bool) Aut_Change(void);
TXORB_EXPORT(bool) Enable_Laser(void);
TXORB_EXPORT(bool) Disable_Laser(void);
/* Manual mode: enter and leave it, switch the laser by hand, start and stop a manual move
 * (Set_DXDY_Manual). Status commands; silent. */
TXORB_EXPORT(bool) Start_Manual_Operation(void);
TXORB_EXPORT(bool) Stop_Manual_Operation(void);
TXORB_EXPORT(bool) Start_Laser_Manually(void);
TXORB_EXPORT(bool) Stop_Laser_Manually(void);
TXORB_EXPORT(bool) Start_Manual_Move(void);
TXORB_EXPORT(bool) Stop_Manual_Move(void);
/* Query: the card's manual-move byte as it comes (non-zero while moving), 0 on failure;
 * silent. */
TXORB_EXPORT(uint8_t) Get_Manual_Move(void);
/* Two queries: the head's position (Get_XY_Manual) or the manual-move vector (Get_DXDY_Manual).
 * Both are always asked; a value whose query fails is 0, and the call still returns true.
 * Only a null pointer gives false: nothing is sent and Get_Last_Error_Code becomes
 * TXORB_ERR_INVALID_POINTER. Silent. */
TXORB_EXPORT(bool) Get_XY_Manual(int16_t* x, int16_t* y);
TXORB_EXPORT(bool) Get_DXDY_Manual(int16_t* x, int16_t* y);
/* The manual-move vector: bits/ms along each axis. Status command; silent. */
TXORB_EXPORT(bool) Set_DXDY_Manual(int16_t ssDXManual, int16_t ssDYManual);
/* Jumps the head to a position in bits. Goto_XY is a status command (frame); Goto_XY_Ex only
 * sends and does not wait for any reply: it gives TXORB_ERR_NO_CARD_ACTIVE or a send code. */
TXORB_EXPORT(bool) Goto_XY(int16_t ssXPos, int16_t ssYPos);
TXORB_EXPORT(bool) Goto_XY_Ex(int16_t ssXPos, int16_t ssYPos);
/* The head's position in bits: a query for X, then one for Y only when X succeeded. Each
 * output is 0 when its query fails (Y keeps its value when X failed). A null pointer gives
 * TXORB_ERR_INVALID_POINTER, nothing sent. Frame, and it also stores its code, 0 included, in
 * Get_Last_Error_Code. */
TXORB_EXPORT(bool) Get_XY_Pos(int16_t* pXPos, int16_t* pYPos);
/* Query: the card's status word (0 on failure); silent. Never copied to a capture file. */
TXORB_EXPORT(uint16_t) Read_Status(void);
/* Queries, 0 on failure, silent: passes made (Get_Counts), heads present (Get_Head_Mask), the
 * firmware versions (Get_Version, Get_KRT1_Version), the card's identity (Get_Ident_Ex). */
TXORB_EXPORT(int32_t) Get_Counts(void);
TXORB_EXPORT(uint16_t) Get_Head_Mask(void);
TXORB_EXPORT(uint16_t) Get_Version(void);
TXORB_EXPORT(uint16_t) Get_KRT1_Version(void);
TXORB_EXPORT(uint32_t) Get_Ident_Ex(void);
/* Query: the card's CPU type; 65535 on failure. Reports. */
TXORB_EXPORT(uint16_t) Get_CPU_Type(void);
/* Query: the mode bits the card supports, into *mode (0 on failure). Returns the code itself,
 * 0 for success - false to a caller that tests it as a boolean. A null mode gives
 * TXORB_ERR_INVALID_POINTER, nothing sent. Reports. */
TXORB_EXPORT(uint32_t) Get_Mode_Mask(uint16_t* mode);
/* Switch the card into and out of 3D mode (the 3D list vectors). Status commands; silent. */
TXORB_EXPORT(bool) Set_3DMode(void);
TXORB_EXPORT(bool) Reset_3DMode(void);
/* Always 1; no exchange. */
TXORB_EXPORT(uint16_t) Get_KRT1_Mode(void);
/* The card has one control mode: always true; no exchange. */
TXORB_EXPORT(bool) Set_Control_Mode(uint16_t usControl_Mode);
/* Query: how many list starts the card has accepted (0 on failure). Reports. */
TXORB_EXPORT(uint16_t) Read_Int_Start_Attempts(void);

/* ---- Correction files and target-disk files ---------------------------------------------
 * Correction tables go from host files to the card; files can be kept on the card's own disk,
 * the target disk. Host files are read whole before the lock is taken and sent in one packet;
 * their contents are the card's business. On the target disk a file is named by its base name:
 * the part after the last BACKSLASH. A forward slash is no separator, on Linux too: give a bare
 * name, or the card receives the whole path. */

/* Sends the host correction file (exactly 25,350 bytes) to table 1 (Load_Cor) or to table N
 * 1..4 (Load_Corr_N; another N gives TXORB_ERR_INVALID_CARD_NUMBER before anything else).
 * Only the low 16 bits of the length are checked, so 25,350 + k x 65,536 bytes pass too and
 * their first 25,350 bytes are sent. Status command; also TXORB_ERR_FILE_NOT_FOUND (cannot be
 * opened; a null name is also stored in Get_Last_Error_Code), TXORB_ERR_INVALID_FILE_FORMAT
 * (another length), TXORB_ERR_NOT_ENOUGH_MEMORY. Load_Corr_N gives
 * TXORB_ERR_COULD_NOT_SEND_TO_RTB for any send failure. Frame. */
TXORB_EXPORT(bool) Load_Cor(const char* lpstrFileName);
TXORB_EXPORT(bool) Load_Corr_N(const char* lpstrFileName, int32_t N);
/* The name, as passed, of the last file that Load_Cor or Load_Corr_N could open (whatever
 * came next), cut to 259 characters; "" before. Static; never NULL. */
TXORB_EXPORT(const char*) Corr_File_Name(void);
/* The card loads the correction file of that name from its disk. Status command; a null name
 * or an empty base name gives TXORB_ERR_FILE_NOT_FOUND. Frame. */
TXORB_EXPORT(bool) Load_Corr_File_From_Target_Disk(const char* lpszFileName);
/* Copies the host file, at most 223,981 bytes, to the target disk under the first 12
 * characters of its base name (an 8.3 name). Status command; also TXORB_ERR_FILE_NOT_FOUND,
 * TXORB_ERR_INVALID_FILE_FORMAT (an empty file), TXORB_ERR_PARAMETER_OUT_OF_BOUNDS,
 * TXORB_ERR_NOT_ENOUGH_MEMORY. Silent. */
TXORB_EXPORT(bool) Copy_File_To_Target_Disk(const char* lpszFileName);
/* Deletes that file from the target disk. As Load_Corr_File_From_Target_Disk, but silent. */
TXORB_EXPORT(bool) Delete_File_On_Target_Disk(const char* lpszFileName);
/* The card makes its boot program from that file of its disk (12-character name). Always
 * sent on the serial port, also for a card with a parallel link. Status command; a null name
 * gives TXORB_ERR_FILE_NOT_FOUND. Silent. */
TXORB_EXPORT(bool) Make_Boot_Program(const char* lpszFileName);

/* ---- 3D head parameters -----------------------------------------------------------------
 * The geometry of a 3D scan head, one block of nine values per head, sent as given (the
 * values and their units are the card's). Switching 3D mode on is Set_3DMode. */

/* Status command; silent. */
TXORB_EXPORT(bool) Set_3D_Parameters(int32_t iXYReqField, double dXYMaxGalvoAngles, double dYrad,
                                     double dXtoY, double dObjtoX, double dFocalLength,
                                     double dMidFocPosition, double dMaxLensTravel, int32_t inHead);
/* Query of head inHead's block into the eight outputs; a null output is skipped. On failure
 * every output keeps its value. Silent. */
TXORB_EXPORT(bool) Get_3D_Parameters(int32_t* iXYReqField, double* dXYMaxGalvoAngles, double* dYrad,
                                     double* dXtoY, double* dObjtoX, double* dFocalLength,
                                     double* dMidFocPosition, double* dMaxLensTravel,
                                     int32_t inHead);

/* ---- Bitmap lines -----------------------------------------------------------------------
 * One line of a bitmap: from (LineBegX, LineBegY) to (LineEndX, LineEndY) in bits, with one
 * delay in us per pixel (0: no dot), 1..32,763 values (more: TXORB_ERR_PARAMETER_OUT_OF_BOUNDS;
 * none or a null array: TXORB_ERR_INVALID_VECTOR_LIST; nothing sent). The line is not a list
 * record: every pending list record is sent first, then the line as a packet of its own, both
 * under one hold of the lock, so the card gets them in order. A failed transfer of the pending
 * records gives its code and the line is not sent. Status command; reports only a failure. */

TXORB_EXPORT(bool) Put_Bitmapline_List(int16_t LineBegX, int16_t LineBegY, int16_t LineEndX,
                                       int16_t LineEndY, uint16_t* pArrDelays, uint16_t arraylen);
/* As Put_Bitmapline_List with a choice of the card's bitmap algorithm: 1 or 2; any other value
 * is the default algorithm of Put_Bitmapline_List. */
TXORB_EXPORT(bool) Put_Bitmapline_List_Ex(int16_t LineBegX, int16_t LineBegY, int16_t LineEndX,
                                          int16_t LineEndY, uint16_t* pArrDelays, uint16_t arraylen,
                                          uint16_t BitmapAlgorithmSelect);

/* ---- I/O ports and signal lines ---------------------------------------------------------
 * The card's I/O ports, addressed by a 16-bit offset (port 40 is the laser power), read and
 * written at once, outside any list; and the DTR and DSR lines of the card's COM port. */

/* Read_Port and Test_Read_Port: query of the port's value into *pValue (0 on failure); a null
 * pValue gives TXORB_ERR_INVALID_POINTER and the port is not read. Write_Port and
 * Test_Write_Port: status command writing usValue to the port. The Test_ forms go through the
 * card's test commands and are silent; Read_Port and Write_Port are frame. */
TXORB_EXPORT(bool) Read_Port(uint16_t usAddressOffset, uint16_t* pValue);
TXORB_EXPORT(bool) Write_Port(uint16_t usAddressOffset, uint16_t usValue);
TXORB_EXPORT(bool) Test_Read_Port(uint16_t usAddressOffset, uint16_t* pValue);
TXORB_EXPORT(bool) Test_Write_Port(uint16_t usAddressOffset, uint16_t usValue);
/* What the card mirrors on each line (the selector's meaning is the card's). Status command;
 * frame. */
TXORB_EXPORT(bool) Set_DTR_Mirror_Selector(uint16_t usSelector);
TXORB_EXPORT(bool) Set_DSR_Mirror_Selector(uint16_t usSelector);
/* The DSR line of the active card's COM port: *state 1 when on, 0 when off or when the port
 * cannot tell. No packet is sent; gives only TXORB_ERR_NO_CARD_ACTIVE, or
 * TXORB_ERR_INVALID_POINTER for a null state. Frame. */
TXORB_EXPORT(bool) Read_DSR_State(uint16_t* state);
/* Raises (usState non-zero) or lowers (0) the DTR line of the active card's COM port. No
 * packet; TXORB_ERR_FUNCTION_CALL_FAILED when the port refuses (a pseudo-terminal always
 * does). Frame. */
TXORB_EXPORT(bool) Set_DTR_State(uint16_t usState);

/* ---- List commands ----------------------------------------------------------------------
 * Each queues its record(s) (LISTS) and returns true, unless its records made a transfer due
 * and the transfer failed: TXORB_ERR_NO_CARD_ACTIVE, a link code,
 * TXORB_ERR_RTB_DID_NOT_EXECUTE, or TXORB_ERR_NOT_ENOUGH_MEMORY (record not queued). Only the
 * low 16 bits of each value travel. Frame, unless a comment says silent or names another code.
 * While the vector capture is on (Set_Mode bit 0x200) the jumps and polylines are recorded
 * instead (see Set_Custlist_Parameters). */

/* Vectors to (ssXVal, ssYVal) in bits; _Rel: by that offset from the current position.
 * Mark_ marks, Jump_ moves with the laser off, PolA_ starts a polyline, PolB_ continues it,
 * PolC_ ends it. */
TXORB_EXPORT(bool) Mark_Abs(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) Mark_Rel(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) PolA_Abs(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) PolB_Abs(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) PolC_Abs(int16_t ssXVal, int16_t ssYVal);
/* As Mark_Abs and PolA_Abs..PolC_Abs, then a dot of the dot duration
 * (Set_Dot_Parameters_List) at the end point. */
TXORB_EXPORT(bool) Mark_Abs_Dot(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) PolA_Abs_Dot(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) PolB_Abs_Dot(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) PolC_Abs_Dot(int16_t ssXVal, int16_t ssYVal);
/* Jump_Abs and Jump_Rel report any failure as TXORB_ERR_FUNCTION_CALL_FAILED; PolA_Rel,
 * PolB_Rel and PolC_Rel are silent. */
TXORB_EXPORT(bool) Jump_Abs(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) Jump_Rel(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) PolA_Rel(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) PolB_Rel(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) PolC_Rel(int16_t ssXVal, int16_t ssYVal);
/* The card's reset jump, to a position or by an offset. Silent. */
TXORB_EXPORT(bool) Reset_Jump_List(int16_t ssXVal, int16_t ssYVal);
TXORB_EXPORT(bool) Reset_Jump_List_Rel(int16_t ssXVal, int16_t ssYVal);
/* 3D vectors: X, Y, Z in bits and N as the card defines it, as two records that are never
 * split between transfers; never recorded by the capture. Jump_Abs_3D reports any failure as
 * TXORB_ERR_FUNCTION_CALL_FAILED. */
TXORB_EXPORT(bool) Jump_Abs_3D(int16_t ssXVal, int16_t ssYVal, int16_t ssZVal, int16_t ssNVal);
TXORB_EXPORT(bool) Mark_Abs_3D(int16_t ssXVal, int16_t ssYVal, int16_t ssZVal, int16_t ssNVal);
TXORB_EXPORT(bool) PolA_Abs_3D(int16_t ssXVal, int16_t ssYVal, int16_t ssZVal, int16_t ssNVal);
TXORB_EXPORT(bool) PolB_Abs_3D(int16_t ssXVal, int16_t ssYVal, int16_t ssZVal, int16_t ssNVal);
TXORB_EXPORT(bool) PolC_Abs_3D(int16_t ssXVal, int16_t ssYVal, int16_t ssZVal, int16_t ssNVal);
/* Ends the list: queues the end record and sends everything pending, however little; waits
 * for the card's status. With the capture on, the recorded list is rewritten and replayed
 * first, and false means a transfer failed (the rest of the rewrite is lost). Silent. */
TXORB_EXPORT(bool) Set_End_Of_List(void);
/* Laser_On fires the laser where the head stands for usDelay; Laser_Off and Long_Delay wait
 * usDelay. In 10 us units. */
TXORB_EXPORT(bool) Laser_On(uint16_t usDelay);
TXORB_EXPORT(bool) Laser_Off(uint16_t usDelay);
TXORB_EXPORT(bool) Long_Delay(uint16_t usDelay);
/* Wobbling of the marks: width and period in the card's units. */
TXORB_EXPORT(bool) Set_Wobble_List(uint16_t usWidth, uint16_t usPeriod);
/* Write_DA within the list: only the low byte of usValue counts. */
TXORB_EXPORT(bool) Write_DA_List(uint16_t usValue);
/* Continue at the start of list iTargetList, 1..3: Loop_To_Start_List counts a pass (up to
 * Set_Max_Counts), Jump_To_Start_List does not. Another value returns false at once, nothing
 * queued. Silent. */
TXORB_EXPORT(bool) Loop_To_Start_List(int16_t iTargetList);
TXORB_EXPORT(bool) Jump_To_Start_List(int16_t iTargetList);
/* The speed of the following marks or jumps as a step size in bits every step period in us:
 * size / period x 1000 bits/ms. While the capture is on they also set the speeds its rewrite
 * plans with. */
TXORB_EXPORT(bool) Set_Mark_Parameters_List(uint16_t usStepPeriod, uint16_t usStepSize);
TXORB_EXPORT(bool) Set_Jump_Parameters_List(uint16_t usStepPeriod, uint16_t usJumpSize);
/* Dots: their spacing (the card's units) and their duration in 10 us units. The two names
 * are one function. */
TXORB_EXPORT(bool) Set_Dot_Parameters_List(uint16_t usDistance, uint16_t usDuration);
TXORB_EXPORT(bool) Set_Dot_Params_List(uint16_t usDistance, uint16_t usDuration);
/* Write_Port within the list. */
TXORB_EXPORT(bool) Write_Port_List(uint16_t usAddressOffset, uint16_t usValue);
/* Wait_For_External_Start: the list waits here for the card's external start input.
 * Mark_Immediately: the card's parameterless command of that name. */
TXORB_EXPORT(bool) Wait_For_External_Start(void);
TXORB_EXPORT(bool) Mark_Immediately(void);
/* The list waits until the card's counter reaches the value (32 bits in the _Ex form, low
 * word first). */
TXORB_EXPORT(bool) Wait_For_Counter_Value(int16_t ssValue);
TXORB_EXPORT(bool) Wait_For_Counter_Value_Ex(uint32_t nValue);
/* The card's automatic jump delay (usDelay and usLen as the card defines them). */
TXORB_EXPORT(bool) Set_Auto_Jump_Delay_List(uint16_t usDelay, uint16_t usLen);
/* Delays within the list, two per record: step period and jump delay, mark and polygon
 * delays, laser off and on delays, T1 and T2, T3 and T4 (units as the immediate setters).
 * Silent. */
TXORB_EXPORT(bool) Set_Delays_1_2(uint16_t usStepPeriod, uint16_t usJumpDelay);
TXORB_EXPORT(bool) Set_Delays_3_4(uint16_t usMarkDelay, uint16_t usPolyDelay);
TXORB_EXPORT(bool) Set_Delays_5_6(uint16_t usLaserOffDelay, uint16_t usLaserOnDelay);
TXORB_EXPORT(bool) Set_Delays_7_8(uint16_t usT1, uint16_t usT2);
TXORB_EXPORT(bool) Set_Delays_9_10(uint16_t usT3, uint16_t usT4);
/* The five records of Set_Delays_1_2 .. Set_Delays_9_10 (T4 = 0), stopping at the first that
 * fails. usT3 / 65536 also becomes the capture's power scale. Frame. */
TXORB_EXPORT(bool) Set_Delays(uint16_t usStepPeriod, uint16_t usJumpDelay, uint16_t usMarkDelay,
                              uint16_t usPolyDelay, uint16_t usLaserOffDelay,
                              uint16_t usLaserOnDelay, uint16_t usT1, uint16_t usT2, uint16_t usT3);
/* Sets the card's job-control word. Silent. */
TXORB_EXPORT(bool) Set_JobControl_List(uint16_t usJobControlWORD);
/* The heads the following records drive, a mask 1..15; another value returns false at once,
 * nothing queued. Silent. */
TXORB_EXPORT(bool) Set_Head_Mask(uint16_t usHead_N);
/* Flow within the list, by the card's variable and counters: skip ssEntries records ahead
 * (Skip_Var_List) or back (Skip_Var_List_Back) when the variable AND usMASK is not 0; skip
 * while a counter is below usCounter_List (Skip_Counter_List); preset it (Set_Counter_List);
 * load the variable from the job-control word or from a port. Silent. */
TXORB_EXPORT(bool) Skip_Var_List(int16_t ssEntries, uint16_t usMASK);
TXORB_EXPORT(bool) Skip_Var_List_Back(int16_t ssEntries, uint16_t usMASK);
TXORB_EXPORT(bool) Skip_Counter_List(int16_t ssEntries, uint16_t usCounter_List);
TXORB_EXPORT(bool) Set_Counter_List(uint16_t usCounter_List);
TXORB_EXPORT(bool) JobControl_To_Var_List(void);
TXORB_EXPORT(bool) Read_Port_To_Var_List(uint16_t usPORT);

/* ---- Vector capture parameters ----------------------------------------------------------
 * Automatic segmentation. While Set_Mode's bit 0x200 is on, Jump_Abs, Jump_Rel, the PolA_,
 * PolB_ and PolC_ vectors (absolute, relative and dot) and Reset_Jump_List(_Rel) are recorded
 * instead of queued and return true; every other list function still queues at once, so its
 * records reach the card before the recorded ones. Set_End_Of_List then rewrites the recorded
 * list: each jump gets a lead-in power write and the jump parameters before it; each polyline
 * (a PolA_Abs or PolA_Rel - whose values are taken as positions - up to a PolC_Abs or the end)
 * is cut into micro-segments whose power (Write_Port_List to port 40, levels from the tables
 * PCD_OPEN.txt and PCD_SHUT.txt beside the program, read at load) and step speed
 * (Set_Mark_Parameters_List) ramp up at the start, down at the end and at each corner; a
 * polyline that follows another without a jump starts where that one ended. Within a
 * polyline every recorded record is a vertex; outside one, the dot vectors, the reset jumps
 * and PolB_ or PolC_ records are dropped. The rewrite ends with power 0 and the end record.
 * What was recorded while the switch was on stays until an end of list is taken with the
 * switch on again. */

/* The rewrite's tuning: lead-in and lead-out power in percent, the slope of the speed ramps,
 * the micro-segment length in bits (defaults 0.01, 0.02, 10.0, 200). A negative double is
 * taken as 0. Used from the next end of list; always true; silent. */
TXORB_EXPORT(bool) Set_Custlist_Parameters(double dLeadInPower, double dLeadOutPower,
                                           double dPowerControlSlope, uint16_t nMicroSegmentLenght);
/* The four values as Set_Custlist_Parameters takes them. False, and nothing written, when any
 * pointer is null; silent. */
TXORB_EXPORT(bool) Get_Custlist_Parameters(double* dLeadInPower, double* dLeadOutPower,
                                           double* dPowerControlSlope,
                                           uint16_t* nMicroSegmentLenght);

/* ---- Extensions of this library ---------------------------------------------------------
 * Outside the card system's catalogue; their names start with txorb_. They never fail, never
 * wait, and change neither Get_Last_Error_Code nor txorb_thread_last_failure. */

/* The outcome of the most recent catalogue function called on this thread: 0 when it
 * succeeded, else the code its message box shows (or would show, for a silent one), and for a
 * function that answers with a value the code of the exchange behind it - Get_XY_Manual and
 * Get_DXDY_Manual return true with zeros when their reads fail, and this says why. Where a
 * function fails without a code of its own it is TXORB_ERR_INVALID_LIST_INDEX
 * (Loop_To_Start_List, Jump_To_Start_List), TXORB_ERR_PARAMETER_OUT_OF_BOUNDS (Set_Head_Mask),
 * TXORB_ERR_FUNCTION_CALL_FAILED (Output_To_File), TXORB_ERR_INVALID_POINTER
 * (Get_Custlist_Parameters). Per thread; it changes nothing of Get_Last_Error_Code. */
TXORB_EXPORT(uint32_t) txorb_thread_last_failure(void);
/* The name of a code without its TXORB_ERR_ prefix ("NO_CARD_ACTIVE"), or NULL for a code that
 * has none (above 51). The text is static. */
TXORB_EXPORT(const char*) txorb_error_name(uint32_t code);
/* The library's release version ("1.0.0", the one of its SONAME and packages). Get_DLL_Version
 * gives the file version that programs written for the card check, which is another number. */
TXORB_EXPORT(const char*) txorb_library_version(void);

#ifdef __cplusplus
}
#endif

#endif /* TXORB_TXORB_H */
