// The optional capture stage between the vector exports and the list stream: while switched on
// (mode bit 0x200), jumps and polylines are recorded and rewritten at the end of the list.
#pragma once

#include <cstdint>

#include "common/error_codes.h"

namespace txorb {

class VectorCapture {
public:
    VectorCapture();
    virtual ~VectorCapture();

    void ApplyMode(uint16_t usMode);
    bool CaptureEnabled() const { return captureEnabled_; }
    bool CaptureVector(uint8_t opcode, int16_t x, int16_t y);
    bool NoteMarkParameters(uint16_t stepPeriod, uint16_t stepSize);
    bool NoteJumpParameters(uint16_t stepPeriod, uint16_t jumpSize);
    bool NoteDelays(uint16_t usStepPeriod, uint16_t usJumpDelay, uint16_t usMarkDelay,
                    uint16_t usPolyDelay, uint16_t usLaserOffDelay, uint16_t usLaserOnDelay,
                    uint16_t usT1, uint16_t usT2, uint16_t usT3);
    bool SetCustlistParameters(double dLeadInPower, double dLeadOutPower,
                               double dPowerControlSlope, uint16_t nMicroSegmentLenght);
    bool GetCustlistParameters(double* dLeadInPower, double* dLeadOutPower,
                               double* dPowerControlSlope, uint16_t* nMicroSegmentLenght) const;
    ErrorCode FinishList();

private:
    bool captureEnabled_ = false;
};

VectorCapture& TheVectorCapture();

}  // namespace txorb
