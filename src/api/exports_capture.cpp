#include "api/report.h"
#include "link/card.h"
#include "link/exchange.h"
#include "txorb/txorb.h"

using namespace txorb;

extern "C" {

TXORB_EXPORT(bool) Output_To_File(const char* lpszFileName) {
    api::Trace("lpszFileName=%s", lpszFileName != nullptr ? lpszFileName : "(null)");
    Card* card = GetActiveCard();
    if (card == nullptr) return false;
    return card->OpenCaptureFile(lpszFileName);
}

}  // extern "C"
