#include "api/outcome.h"
#include "commands/head3d.h"
#include "txorb/txorb.h"

using namespace txorb;

namespace {
template <typename T>
void Deliver(T* out, T value) {
    if (out != nullptr) *out = value;
}
}  // namespace

extern "C" {

TXORB_EXPORT(bool) Set_3D_Parameters(int32_t iXYReqField, double dXYMaxGalvoAngles, double dYrad,
                                     double dXtoY, double dObjtoX, double dFocalLength,
                                     double dMidFocPosition, double dMaxLensTravel,
                                     int32_t inHead) {
    commands::Head3DParameters values;
    values.xyReqField = iXYReqField;
    values.xyMaxGalvoAngles = dXYMaxGalvoAngles;
    values.yRad = dYrad;
    values.xToY = dXtoY;
    values.objToX = dObjtoX;
    values.focalLength = dFocalLength;
    values.midFocPosition = dMidFocPosition;
    values.maxLensTravel = dMaxLensTravel;
    return api::Quiet(commands::Set3DParameters(values, inHead));
}

// A caller interested in only some of the values may pass null for the others.
TXORB_EXPORT(bool) Get_3D_Parameters(int32_t* iXYReqField, double* dXYMaxGalvoAngles, double* dYrad,
                                     double* dXtoY, double* dObjtoX, double* dFocalLength,
                                     double* dMidFocPosition, double* dMaxLensTravel,
                                     int32_t inHead) {
    commands::Head3DParameters values;
    if (!api::Quiet(commands::Get3DParameters(inHead, &values))) return false;
    Deliver(iXYReqField, values.xyReqField);
    Deliver(dXYMaxGalvoAngles, values.xyMaxGalvoAngles);
    Deliver(dYrad, values.yRad);
    Deliver(dXtoY, values.xToY);
    Deliver(dObjtoX, values.objToX);
    Deliver(dFocalLength, values.focalLength);
    Deliver(dMidFocPosition, values.midFocPosition);
    Deliver(dMaxLensTravel, values.maxLensTravel);
    return true;
}

}  // extern "C"
