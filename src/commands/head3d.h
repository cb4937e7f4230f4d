// The geometry of a 3D scan head as one packed 64-byte block per head. The block travels as
// the caller's integers and doubles, byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/error_codes.h"
#include "common/wire_opcodes.h"

namespace txorb::commands {

inline constexpr size_t kHead3DBlockBytes = 64;

struct Head3DParameters {
    int32_t xyReqField = 0;
    double xyMaxGalvoAngles = 0.0;
    double yRad = 0.0;
    double xToY = 0.0;
    double objToX = 0.0;
    double focalLength = 0.0;
    double midFocPosition = 0.0;
    double maxLensTravel = 0.0;
};

// Packed, little-endian: the integer at 0, the seven doubles from offset 4 on, the head at 60.
void EncodeHead3DBlock(const Head3DParameters& values, int32_t head,
                       uint8_t block[kHead3DBlockBytes]);
// The head number echoed at offset 60 is not part of the result.
Head3DParameters DecodeHead3DBlock(const uint8_t block[kHead3DBlockBytes]);

ErrorCode Set3DParameters(const Head3DParameters& values, int32_t head);
// On failure *values is left as it was.
ErrorCode Get3DParameters(int32_t head, Head3DParameters* values);

}  // namespace txorb::commands
