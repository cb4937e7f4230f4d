// Error codes shared by every layer. 0 is success. The numbers come from the public list in
// txorb.h (name, number and text together); these are only the short names the library's own
// code uses for the codes it raises.
#pragma once

#include <cstdint>

#include "txorb/txorb.h"

namespace txorb {

using ErrorCode = uint32_t;

namespace err {
inline constexpr ErrorCode kOk = TXORB_ERR_OK;
inline constexpr ErrorCode kNotEnoughMemory = TXORB_ERR_NOT_ENOUGH_MEMORY;
inline constexpr ErrorCode kInvalidVectorList = TXORB_ERR_INVALID_VECTOR_LIST;
inline constexpr ErrorCode kInvalidListIndex = TXORB_ERR_INVALID_LIST_INDEX;
inline constexpr ErrorCode kParameterOutOfBounds = TXORB_ERR_PARAMETER_OUT_OF_BOUNDS;
inline constexpr ErrorCode kInvalidPointer = TXORB_ERR_INVALID_POINTER;
inline constexpr ErrorCode kFileNotFound = TXORB_ERR_FILE_NOT_FOUND;
inline constexpr ErrorCode kInvalidFileFormat = TXORB_ERR_INVALID_FILE_FORMAT;
inline constexpr ErrorCode kComPortNotOpen = TXORB_ERR_COM_PORT_NOT_OPEN;
inline constexpr ErrorCode kNoCardActive = TXORB_ERR_NO_CARD_ACTIVE;
inline constexpr ErrorCode kCardNotConfigured = TXORB_ERR_CARD_NOT_CONFIGURED_FOR_FUNCTION;
inline constexpr ErrorCode kUnknownError = TXORB_ERR_UNKNOWN_ERROR;
inline constexpr ErrorCode kInvalidCardNumber = TXORB_ERR_INVALID_CARD_NUMBER;
inline constexpr ErrorCode kCouldNotPing = TXORB_ERR_COULD_NOT_PING_SERIAL_PORT;
inline constexpr ErrorCode kSerialKeyNotFound = TXORB_ERR_SERIAL_PORT_KEY_NOT_FOUND;
inline constexpr ErrorCode kParallelKeyNotFound = TXORB_ERR_PARALLEL_PORT_KEY_NOT_FOUND;
inline constexpr ErrorCode kInvalidSerialPortNumber = TXORB_ERR_INVALID_SERIAL_PORT_NUMBER;
inline constexpr ErrorCode kCardCtorFailed = TXORB_ERR_CARD_CONNECTION_CTOR_FAILED;
inline constexpr ErrorCode kCardInitSequenceFailed = TXORB_ERR_CARD_INIT_SEQUENCE_FAILED;
inline constexpr ErrorCode kFunctionCallFailed = TXORB_ERR_FUNCTION_CALL_FAILED;
inline constexpr ErrorCode kCouldNotSend = TXORB_ERR_COULD_NOT_SEND_TO_RTB;
inline constexpr ErrorCode kNotExecuted = TXORB_ERR_RTB_DID_NOT_EXECUTE;
inline constexpr ErrorCode kParallelSendFailed = TXORB_ERR_PARALLEL_SEND_FAILED;
inline constexpr ErrorCode kSerialSendFailed = TXORB_ERR_SERIAL_SEND_FAILED;
inline constexpr ErrorCode kFileSendFailed = TXORB_ERR_FILE_SEND_FAILED;
inline constexpr ErrorCode kWrongResponseLength = TXORB_ERR_WRONG_RESPONSE_LENGTH;
inline constexpr ErrorCode kResponseTimeout = TXORB_ERR_RESPONSE_TIMEOUT;
inline constexpr ErrorCode kGuard = TXORB_ERR_GUARD;
}  // namespace err

}  // namespace txorb
