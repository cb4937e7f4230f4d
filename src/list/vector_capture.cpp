// Placeholder until the segmentation lands: the switch is kept, nothing is ever captured.
#include "list/vector_capture.h"

namespace txorb {
namespace {
__attribute__((init_priority(150))) VectorCapture g_capture;
}

VectorCapture::VectorCapture() = default;
VectorCapture::~VectorCapture() = default;
void VectorCapture::ApplyMode(uint16_t usMode) { captureEnabled_ = (usMode & 0x200) != 0; }
bool VectorCapture::CaptureVector(uint8_t, int16_t, int16_t) { return false; }
bool VectorCapture::NoteMarkParameters(uint16_t, uint16_t) { return false; }
bool VectorCapture::NoteJumpParameters(uint16_t, uint16_t) { return false; }
bool VectorCapture::NoteDelays(uint16_t, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t,
                               uint16_t, uint16_t) {
    return true;
}
bool VectorCapture::SetCustlistParameters(double, double, double, uint16_t) { return true; }
bool VectorCapture::GetCustlistParameters(double*, double*, double*, uint16_t*) const {
    return false;
}
ErrorCode VectorCapture::FinishList() { return err::kOk; }
VectorCapture& TheVectorCapture() { return g_capture; }

}  // namespace txorb
