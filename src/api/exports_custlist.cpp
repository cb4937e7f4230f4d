// The tuning values of the automatic segmentation. Neither export reports through the message
// box: both only pass on the capture's result.
#include "api/report.h"
#include "list/vector_capture.h"
#include "txorb/txorb.h"

using namespace txorb;

extern "C" {

TXORB_EXPORT(bool) Set_Custlist_Parameters(double dLeadInPower, double dLeadOutPower,
                                           double dPowerControlSlope,
                                           uint16_t nMicroSegmentLenght) {
    api::Trace("dLeadInPower=%f dLeadOutPower=%f dPowerControlSlope=%f nMicroSegmentLenght=%d",
               dLeadInPower, dLeadOutPower, dPowerControlSlope, nMicroSegmentLenght);
    const bool ok = list::TheVectorCapture().SetCustlistParameters(
        dLeadInPower, dLeadOutPower, dPowerControlSlope, nMicroSegmentLenght);
    return api::Quiet(ok ? err::kOk : err::kFunctionCallFailed);
}

TXORB_EXPORT(bool) Get_Custlist_Parameters(double* dLeadInPower, double* dLeadOutPower,
                                           double* dPowerControlSlope,
                                           uint16_t* nMicroSegmentLenght) {
    // A missing output is refused before anything is written, so no output is left half-set.
    if (dLeadInPower == nullptr || dLeadOutPower == nullptr || dPowerControlSlope == nullptr ||
        nMicroSegmentLenght == nullptr) {
        return api::Quiet(err::kInvalidPointer);
    }
    const bool ok = list::TheVectorCapture().GetCustlistParameters(
        dLeadInPower, dLeadOutPower, dPowerControlSlope, nMicroSegmentLenght);
    api::Trace("dLeadInPower=%f dLeadOutPower=%f dPowerControlSlope=%f nMicroSegmentLenght=%d",
               *dLeadInPower, *dLeadOutPower, *dPowerControlSlope, *nMicroSegmentLenght);
    return api::Quiet(ok ? err::kOk : err::kFunctionCallFailed);
}

}  // extern "C"
