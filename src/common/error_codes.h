// Error codes shared by every layer. 0 is success; the texts live in the api layer's table.
#pragma once

#include <cstdint>

namespace txorb {

using ErrorCode = uint32_t;

namespace err {
inline constexpr ErrorCode kOk = 0;
inline constexpr ErrorCode kNotEnoughMemory = 1;
inline constexpr ErrorCode kInvalidVectorList = 10;
inline constexpr ErrorCode kParameterOutOfBounds = 16;
inline constexpr ErrorCode kInvalidPointer = 19;
inline constexpr ErrorCode kFileNotFound = 20;
inline constexpr ErrorCode kInvalidFileFormat = 21;
inline constexpr ErrorCode kComPortNotOpen = 23;
inline constexpr ErrorCode kNoCardActive = 26;
inline constexpr ErrorCode kUnknownError = 29;
inline constexpr ErrorCode kCardNotConfigured = 28;
inline constexpr ErrorCode kInvalidCardNumber = 30;
inline constexpr ErrorCode kCouldNotPing = 31;
inline constexpr ErrorCode kSerialKeyNotFound = 32;
inline constexpr ErrorCode kParallelKeyNotFound = 33;
inline constexpr ErrorCode kInvalidSerialPortNumber = 34;
inline constexpr ErrorCode kCardCtorFailed = 35;
inline constexpr ErrorCode kCardInitSequenceFailed = 36;
inline constexpr ErrorCode kFunctionCallFailed = 37;
inline constexpr ErrorCode kCouldNotSend = 38;
inline constexpr ErrorCode kNotExecuted = 40;
inline constexpr ErrorCode kParallelSendFailed = 41;
inline constexpr ErrorCode kSerialSendFailed = 42;
inline constexpr ErrorCode kFileSendFailed = 43;
inline constexpr ErrorCode kWrongResponseLength = 44;
inline constexpr ErrorCode kResponseTimeout = 45;
inline constexpr ErrorCode kGuard = 51;
}  // namespace err

}  // namespace txorb
