#include "list/vector_capture.h"

#include <cmath>

#include "common/wire_opcodes.h"
#include "list/list_buffer.h"

namespace txorb::list {
namespace {

// Built before the library's load hook (a later priority) and destroyed after its unload hook.
__attribute__((init_priority(150))) VectorCapture g_capture;

// Nearest integer, halves upwards, then the low 16 bits in two's complement, taken from the
// rounded double itself so that periods of 2^31 and more keep their low bits (a cast would be
// undefined there). NaN and infinities have no low bits and go out as 0.
uint16_t ReplayWord(double value) {
    const double rounded = std::floor(value + 0.5);
    if (!std::isfinite(rounded)) return 0;
    double low = std::fmod(rounded, 65536.0);  // exact: rounded is an integer
    if (low < 0.0) low += 65536.0;
    return static_cast<uint16_t>(low);
}

}  // namespace

// The capture object is built ahead of ordinary static initialisation, so pi is worked out
// here rather than kept in a namespace-scope constant that might not be set yet.
VectorCapture::VectorCapture() : degreesPerRadian_(180.0 / (2.0 * std::asin(1.0))) {
    SetCustlistParameters(0.01, 0.02, 10.0, 200);
    // A missing or short file leaves the built-in values; nothing to report at load.
    LoadPcdOpenTable(open_);
    LoadPcdShutTable(shut_);
}

VectorCapture::~VectorCapture() = default;

void VectorCapture::ApplyMode(uint16_t usMode) { captureEnabled_ = (usMode & 0x200) != 0; }

bool VectorCapture::CaptureVector(uint8_t opcode, int16_t x, int16_t y) {
    if (!captureEnabled_) return false;
    try {
        capturedRecords_.push_back(
            VectorRecord{opcode, static_cast<double>(x), static_cast<double>(y)});
    } catch (...) {
        // Out of memory: the caller then appends the vector straight to the list, so it still
        // reaches the card (unramped) instead of being lost.
        return false;
    }
    return true;
}

bool VectorCapture::NoteMarkParameters(uint16_t stepPeriod, uint16_t stepSize) {
    if (!captureEnabled_ || stepPeriod == 0) return false;
    markStepPeriod_ = stepPeriod;
    markStepSize_ = stepSize == 0 ? 1 : stepSize;
    markSpeed_ = stepSize == 0 ? 0.0 : static_cast<double>(stepSize) / stepPeriod * 1000.0;
    return true;
}

bool VectorCapture::NoteJumpParameters(uint16_t stepPeriod, uint16_t jumpSize) {
    if (!captureEnabled_) return false;
    jumpStepPeriod_ = stepPeriod;
    jumpSize_ = jumpSize;
    return stepPeriod != 0;
}

bool VectorCapture::NoteDelays(uint16_t, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t,
                               uint16_t, uint16_t usT3) {
    powerScale_ = usT3 / 65536.0;
    return true;
}

bool VectorCapture::SetCustlistParameters(double dLeadInPower, double dLeadOutPower,
                                          double dPowerControlSlope, uint16_t nMicroSegmentLenght) {
    leadInPower_ = dLeadInPower / 100.0;
    leadOutPower_ = dLeadOutPower / 100.0;
    powerControlSlope_ = dPowerControlSlope;
    microSegmentLength_ = nMicroSegmentLenght;
    if (leadInPower_ < 0.0) leadInPower_ = 0.0;
    if (leadOutPower_ < 0.0) leadOutPower_ = 0.0;
    if (powerControlSlope_ < 0.0) powerControlSlope_ = 0.0;
    return true;
}

bool VectorCapture::GetCustlistParameters(double* dLeadInPower, double* dLeadOutPower,
                                          double* dPowerControlSlope,
                                          uint16_t* nMicroSegmentLenght) const {
    *dLeadInPower = leadInPower_ * 100.0;
    *dLeadOutPower = leadOutPower_ * 100.0;
    *dPowerControlSlope = powerControlSlope_;
    *nMicroSegmentLenght = static_cast<uint16_t>(microSegmentLength_);
    return true;
}

SegmentationSettings VectorCapture::Settings() const {
    SegmentationSettings s;
    s.markSpeed = markSpeed_;
    s.markStepPeriod = markStepPeriod_;
    s.markStepSize = markStepSize_;
    s.powerScale = powerScale_;
    s.leadInPower = leadInPower_;
    s.leadOutPower = leadOutPower_;
    s.powerControlSlope = powerControlSlope_;
    s.microSegmentLength = microSegmentLength_;
    s.degreesPerRadian = degreesPerRadian_;
    s.powerPortAddress = powerPortAddress_;
    s.open = &open_;
    s.shut = &shut_;
    return s;
}

void VectorCapture::EmitPowerWrite(double power, bool raw, bool falling) {
    AppendPowerWrite(outputRecords_, Settings(), power, raw, falling);
}

void VectorCapture::SegmentPolyline(size_t start, double lastX, double lastY) {
    vertexCount_ = list::SegmentPolyline(capturedRecords_, start, lastX, lastY, Settings(),
                                         vertices_, outputRecords_);
}

bool VectorCapture::ProcessCapturedList() {
    double lastX = 0.0;
    double lastY = 0.0;
    const size_t n = capturedRecords_.size();
    for (size_t i = 0; i < n; ++i) {
        const VectorRecord record = capturedRecords_[i];
        switch (record.opcode) {
            case list_op::kPolA:
            case list_op::kPolARel:
                // A relative polyline is taken like an absolute one: its coordinates are used
                // as positions.
                SegmentPolyline(i, lastX, lastY);
                // The head ends the polyline at its last vertex, so whatever follows without a
                // jump starts from there.
                lastX = vertices_[static_cast<size_t>(vertexCount_)].x;
                lastY = vertices_[static_cast<size_t>(vertexCount_)].y;
                break;
            case list_op::kJumpAbs:
            case list_op::kJumpRel:
                EmitPowerWrite(leadInPower_, false, false);
                outputRecords_.push_back(VectorRecord{list_op::kJumpParameters,
                                                      static_cast<double>(jumpStepPeriod_),
                                                      static_cast<double>(jumpSize_)});
                outputRecords_.push_back(record);
                lastX = record.x;
                lastY = record.y;
                break;
            default:
                // Vertices of a polyline are consumed by it; anything else captured (the dot
                // polylines, Reset_Jump_List, a stray PolB) is dropped. A lone record before
                // the end of the list adds nothing either: no mark is invented from a jump
                // target to the origin.
                break;
        }
    }
    EmitPowerWrite(0.0, true, false);
    std::vector<PolylineVertex>().swap(vertices_);
    return true;
}

ErrorCode VectorCapture::ReplayOutput() {
    for (const VectorRecord& record : outputRecords_) {
        const ErrorCode code = AppendListRecord(static_cast<uint8_t>(record.opcode),
                                                ReplayWord(record.x), ReplayWord(record.y));
        if (code != err::kOk) return code;
    }
    return AppendListRecord(list_op::kEndOfList, 0, 0);
}

void VectorCapture::ClearRecords() {
    capturedRecords_.clear();
    outputRecords_.clear();
}

ErrorCode VectorCapture::FinishList() {
    try {
        ProcessCapturedList();
    } catch (...) {
        // Out of memory while rewriting: a partial rewrite must not reach the card.
        ClearRecords();
        std::vector<PolylineVertex>().swap(vertices_);
        return err::kNotEnoughMemory;
    }
    const ErrorCode code = ReplayOutput();
    ClearRecords();
    return code;
}

VectorCapture& TheVectorCapture() { return g_capture; }

}  // namespace txorb::list
