#include "api/report.h"
#include "commands/bitmap.h"
#include "txorb/txorb.h"

using namespace txorb;

namespace {

// The trace shows the first delay only; an empty or missing array shows 0 rather than being
// read.
int FirstDelay(const uint16_t* delays, uint16_t count) {
    return delays != nullptr && count > 0 ? delays[0] : 0;
}

// Unlike the common frame, a success is not reported (so it does not read the message-box
// switch); it is only recorded.
bool Finish(ErrorCode code, const char* apiName) {
    if (code == err::kOk) return api::Quiet(code);
    api::ReportError(code, apiName);
    return false;
}

}  // namespace

extern "C" {

TXORB_EXPORT(bool) Put_Bitmapline_List(int16_t LineBegX, int16_t LineBegY, int16_t LineEndX,
                                       int16_t LineEndY, uint16_t* pArrDelays, uint16_t arraylen) {
    api::Trace(
        " LineBegX=%d \n LineBegY=%d \n LineEndX=%d \n LineEndY=%d \n *pArrDelays=%d \n "
        "arraylen=%d",
        LineBegX, LineBegY, LineEndX, LineEndY, FirstDelay(pArrDelays, arraylen), arraylen);
    return Finish(
        commands::PutBitmapLine(LineBegX, LineBegY, LineEndX, LineEndY, pArrDelays, arraylen, 0),
        __func__);
}

TXORB_EXPORT(bool) Put_Bitmapline_List_Ex(int16_t LineBegX, int16_t LineBegY, int16_t LineEndX,
                                          int16_t LineEndY, uint16_t* pArrDelays, uint16_t arraylen,
                                          uint16_t BitmapAlgorithmSelect) {
    api::Trace(
        " LineBegX=%d \n LineBegY=%d \n LineEndX=%d \n LineEndY=%d \n *pArrDelays=%d \n "
        "arraylen=%d \n BitmapAlgorithmSelect=%d \n",
        LineBegX, LineBegY, LineEndX, LineEndY, FirstDelay(pArrDelays, arraylen), arraylen,
        BitmapAlgorithmSelect);
    return Finish(commands::PutBitmapLine(LineBegX, LineBegY, LineEndX, LineEndY, pArrDelays,
                                          arraylen, BitmapAlgorithmSelect),
                  __func__);
}

}  // extern "C"
