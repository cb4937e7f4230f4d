// Card slots: initialisation, removal and the active card.
#include "api/report.h"
#include "link/card_slots.h"
#include "link/card_table.h"
#include "txorb/txorb.h"

using namespace txorb;

// Nothing below allocates except the registry reads and the card itself; should memory run out
// anyway, initialisation reports that the card could not be built, and the other exports give
// their failure result.
extern "C" {

TXORB_EXPORT(bool) Init_Scan_Card(void) {
    try {
        api::ReadTraceSwitch();
        return api::Frame(InitCard(1), __func__);
    } catch (...) {
        return false;
    }
}

TXORB_EXPORT(uint32_t) Init_Scan_Card_Ex(uint16_t N) {
    try {
        api::ReadTraceSwitch();
        api::Trace("N=%u", static_cast<unsigned>(N));
        const ErrorCode code = InitCard(N);
        api::ReportErrorWithContext(code, "Init_Scan_Card_Ex", N);
        return code;
    } catch (...) {
        return err::kCardCtorFailed;
    }
}

TXORB_EXPORT(bool) Remove_Scan_Card(void) {
    try {
        RemoveCard(1);
    } catch (...) {
    }
    return true;
}

TXORB_EXPORT(uint32_t) Remove_Scan_Card_Ex(uint16_t N) {
    try {
        api::Trace("N=%u", static_cast<unsigned>(N));
        RemoveCard(N);
    } catch (...) {
    }
    return 0;
}

TXORB_EXPORT(bool) Set_Active_Card(uint16_t iCard) {
    try {
        api::Trace("iCard=%u", static_cast<unsigned>(iCard));
        if (SetActiveCard(iCard)) return true;
        api::ReportError(err::kFunctionCallFailed, __func__);
    } catch (...) {
    }
    return false;
}

TXORB_EXPORT(uint16_t) Get_Active_Card(void) { return static_cast<uint16_t>(ActiveCardIndex()); }

}  // extern "C"
