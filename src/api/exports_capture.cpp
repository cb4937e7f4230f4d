#include "api/report.h"
#include "link/card.h"
#include "link/exchange.h"
#include "txorb/txorb.h"

using namespace txorb;

extern "C" {

TXORB_EXPORT(bool) Output_To_File(const char* lpszFileName) {
    api::Trace("lpszFileName=%s", lpszFileName != nullptr ? lpszFileName : "(null)");
    link::Card* card = link::GetActiveCard();
    if (card == nullptr) return api::Quiet(err::kNoCardActive);
    // A capture file that cannot be created is the same failure as a capture-file name that
    // cannot be read from the card's configuration.
    return api::Quiet(card->OpenCaptureFile(lpszFileName) ? err::kOk : err::kFunctionCallFailed);
}

}  // extern "C"
