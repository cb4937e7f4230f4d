#include "commands/head3d.h"

#include <initializer_list>

#include "commands/wire_encoding.h"
#include "common/wire_opcodes.h"
#include "link/exchange.h"

namespace txorb::commands {

void EncodeHead3DBlock(const Head3DParameters& v, int32_t head, uint8_t block[kHead3DBlockBytes]) {
    uint8_t* p = PutS32(block, v.xyReqField);
    for (double d : {v.xyMaxGalvoAngles, v.yRad, v.xToY, v.objToX, v.focalLength, v.midFocPosition,
                     v.maxLensTravel}) {
        p = PutF64(p, d);
    }
    PutS32(p, head);
}

Head3DParameters DecodeHead3DBlock(const uint8_t block[kHead3DBlockBytes]) {
    Head3DParameters v;
    v.xyReqField = GetS32(block);
    double* fields[] = {&v.xyMaxGalvoAngles, &v.yRad,           &v.xToY,         &v.objToX,
                        &v.focalLength,      &v.midFocPosition, &v.maxLensTravel};
    const uint8_t* p = block + 4;
    for (double* field : fields) {
        *field = GetF64(p);
        p += 8;
    }
    return v;
}

ErrorCode Set3DParameters(const Head3DParameters& values, int32_t head) {
    uint8_t block[kHead3DBlockBytes];
    EncodeHead3DBlock(values, head, block);
    return link::ExecuteStatusCommand(opcode::kSet3DParameters, block, sizeof block);
}

ErrorCode Get3DParameters(int32_t head, Head3DParameters* values) {
    uint8_t request[4];
    PutS32(request, head);
    // A shorter reply is accepted: the bytes it does not deliver read as zero.
    uint8_t block[kHead3DBlockBytes] = {};
    const ErrorCode code = link::ExecuteQueryCommand(opcode::kGet3DParameters, request,
                                                     sizeof request, block, sizeof block);
    if (code == err::kOk) *values = DecodeHead3DBlock(block);
    return code;
}

}  // namespace txorb::commands
