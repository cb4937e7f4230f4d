// The optional capture stage between the vector exports and the list stream: while switched on
// (mode bit 0x200), jumps and polylines are recorded and rewritten at the end of the list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/error_codes.h"
#include "list/pcd_table.h"
#include "list/segmentation.h"

namespace txorb::list {

class VectorCapture {
public:
    // Fills the defaults and loads both power tables (built-in values, then the files).
    VectorCapture();
    ~VectorCapture();
    VectorCapture(const VectorCapture&) = delete;
    VectorCapture& operator=(const VectorCapture&) = delete;

    void ApplyMode(uint16_t usMode);
    bool CaptureEnabled() const { return captureEnabled_; }
    bool CaptureVector(uint8_t opcode, int16_t x, int16_t y);
    bool NoteMarkParameters(uint16_t stepPeriod, uint16_t stepSize);
    bool NoteJumpParameters(uint16_t stepPeriod, uint16_t jumpSize);
    bool NoteDelays(uint16_t usStepPeriod, uint16_t usJumpDelay, uint16_t usMarkDelay,
                    uint16_t usPolyDelay, uint16_t usLaserOffDelay, uint16_t usLaserOnDelay,
                    uint16_t usT1, uint16_t usT2, uint16_t usT3);
    bool SetCustlistParameters(double dLeadInPower, double dLeadOutPower, double dPowerControlSlope,
                               uint16_t nMicroSegmentLenght);
    bool GetCustlistParameters(double* dLeadInPower, double* dLeadOutPower,
                               double* dPowerControlSlope, uint16_t* nMicroSegmentLenght) const;
    // Rewrites and replays the captured list, then empties both record lists.
    ErrorCode FinishList();

    // The two halves of FinishList.
    bool ProcessCapturedList();
    ErrorCode ReplayOutput();
    void EmitPowerWrite(double power, bool raw, bool falling);

    // Read access for the list engine's own checks.
    const std::vector<VectorRecord>& CapturedRecords() const { return capturedRecords_; }
    const std::vector<VectorRecord>& OutputRecords() const { return outputRecords_; }
    const std::vector<PolylineVertex>& Vertices() const { return vertices_; }
    double MarkSpeed() const { return markSpeed_; }
    int32_t MarkStepPeriod() const { return markStepPeriod_; }
    int32_t MarkStepSize() const { return markStepSize_; }
    double PowerScale() const { return powerScale_; }
    int32_t JumpStepPeriod() const { return jumpStepPeriod_; }
    int32_t JumpSize() const { return jumpSize_; }
    double DegreesPerRadian() const { return degreesPerRadian_; }
    const PcdTable& OpenTable() const { return open_; }
    const PcdTable& ShutTable() const { return shut_; }
    // Drops both record lists (their storage stays).
    void ClearRecords();

private:
    void SegmentPolyline(size_t start, double lastX, double lastY);
    SegmentationSettings Settings() const;

    bool captureEnabled_ = false;
    double markSpeed_ = 0.1;
    int32_t markStepPeriod_ = 0;
    int32_t markStepSize_ = 1;
    double powerScale_ = 1.0;
    int32_t jumpStepPeriod_ = 0;
    int32_t jumpSize_ = 0;
    int32_t vertexCount_ = 0;
    double degreesPerRadian_;
    double leadInPower_ = 0.0;
    double leadOutPower_ = 0.0;
    double powerControlSlope_ = 0.0;
    double microSegmentLength_ = 0.0;
    double powerPortAddress_ = 40.0;
    std::vector<PolylineVertex> vertices_;
    std::vector<VectorRecord> capturedRecords_;
    std::vector<VectorRecord> outputRecords_;
    PcdTable open_;
    PcdTable shut_;
};

VectorCapture& TheVectorCapture();

}  // namespace txorb::list
