// Card slots: initialisation, removal and the active card.
#include "api/report.h"
#include "link/card_slots.h"
#include "link/card_table.h"
#include "list/list_buffer.h"
#include "txorb/txorb.h"

using namespace txorb;

namespace {

// A new card starts with no records of an earlier card pending: the list buffer is emptied
// once the slot number and the links are good, before the Card is built. A slot that is up
// already keeps whatever is pending.
ErrorCode InitCard(uint16_t slot) {
    if (!link::IsSlotNumber(slot)) return err::kInvalidCardNumber;
    if (link::ActivateInitialisedSlot(slot)) return err::kOk;
    link::LinkDescriptor descriptor;
    if (ErrorCode code = link::ChooseCardLinks(slot, &descriptor); code != err::kOk) return code;
    list::ClearListBuffer();
    return link::BringUpCard(slot, descriptor);
}

}  // namespace

// Nothing below allocates except the registry reads and the card itself; should memory run out
// anyway, initialisation reports that the card could not be built, and the other exports give
// their failure result. Removal answers success whatever the stop sequence met; only the
// thread's outcome keeps that code.
extern "C" {

TXORB_EXPORT(bool) Init_Scan_Card(void) {
    try {
        api::ReadTraceSwitch();
        return api::Frame(InitCard(1), __func__);
    } catch (...) {
        return api::Quiet(err::kCardCtorFailed);
    }
}

TXORB_EXPORT(uint32_t) Init_Scan_Card_Ex(uint16_t N) {
    try {
        api::ReadTraceSwitch();
        api::Trace("N=%u", static_cast<unsigned>(N));
        const ErrorCode code = InitCard(N);
        api::ReportErrorWithContext(code, __func__, N);
        return code;
    } catch (...) {
        api::RecordOutcome(err::kCardCtorFailed);
        return err::kCardCtorFailed;
    }
}

TXORB_EXPORT(bool) Remove_Scan_Card(void) {
    ErrorCode code = err::kOk;
    try {
        code = link::RemoveCard(1);
    } catch (...) {
        code = err::kNotEnoughMemory;
    }
    api::RecordOutcome(code);
    return true;
}

TXORB_EXPORT(uint32_t) Remove_Scan_Card_Ex(uint16_t N) {
    ErrorCode code = err::kOk;
    try {
        api::Trace("N=%u", static_cast<unsigned>(N));
        code = link::RemoveCard(N);
    } catch (...) {
        code = err::kNotEnoughMemory;
    }
    api::RecordOutcome(code);
    return 0;
}

TXORB_EXPORT(bool) Set_Active_Card(uint16_t iCard) {
    try {
        api::Trace("iCard=%u", static_cast<unsigned>(iCard));
        if (link::SetActiveCard(iCard)) return api::Quiet(err::kOk);
        api::ReportError(err::kFunctionCallFailed, __func__);
    } catch (...) {
        api::RecordOutcome(err::kFunctionCallFailed);
    }
    return false;
}

TXORB_EXPORT(uint16_t) Get_Active_Card(void) {
    return api::Answer(static_cast<uint16_t>(link::ActiveCardIndex()), err::kOk);
}

}  // extern "C"
