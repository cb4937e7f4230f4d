// Correction files sent from the host, and files on the card's own target disk. Host files are
// read whole before the CommandLock is taken; only the exchange runs under it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/error_codes.h"
#include "common/wire_opcodes.h"

namespace txorb::commands {

inline constexpr uint32_t kCorrectionFileBytes = 25350;
inline constexpr size_t kCorrFileNameBytes = 260;  // terminator included
inline constexpr size_t kNameFieldBytes = 12;
// One packet carries the whole copy: the 224,000-byte packet buffer less the long header and
// the name field.
inline constexpr uint32_t kCopyLimitBytes = 223981;

// The part of the name behind its last backslash (a forward slash separates nothing).
const char* BaseName(const char* fileName);
// The base name's first 12 characters, zero-filled behind a shorter one; no terminator when
// all 12 are used.
void FillNameField(uint8_t field[kNameFieldBytes], const char* fileName);

// tableNumber 0 sends the file with opcode 68, 1..4 with opcode 148 behind the table number.
ErrorCode LoadCorrectionFile(const char* fileName, int32_t tableNumber);
// The name the last correction-file load could open; empty before the first one.
const char* CorrectionFileName();

ErrorCode CopyFileToTargetDisk(const char* fileName);
ErrorCode DeleteFileOnTargetDisk(const char* fileName);
ErrorCode LoadCorrFileFromTargetDisk(const char* fileName);
ErrorCode MakeBootProgram(const char* fileName);

}  // namespace txorb::commands
