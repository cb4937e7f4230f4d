// Errors, messages and the exports that only keep old programs linking.
#include "api/error_table.h"
#include "api/messages.h"
#include "api/outcome.h"
#include "common/process_state.h"
#include "txorb/txorb.h"

using namespace txorb;

extern "C" {

TXORB_EXPORT(uint32_t) Get_Last_Error_Code(void) { return api::Answer(LastErrorCode(), err::kOk); }

TXORB_EXPORT(const char*) Get_Error_Message(int32_t code) {
    return api::Answer(api::ErrorMessage(code), err::kOk);
}

TXORB_EXPORT(const char*) Get_Last_Error_Message(void) {
    return api::Answer(api::ErrorMessage(static_cast<int32_t>(LastErrorCode())), err::kOk);
}

// Kept for programs written against older cards; the RTB has nothing to do for them.
TXORB_EXPORT(bool) Set_Delays_11_12(int32_t, int32_t) { return api::Quiet(err::kOk); }
TXORB_EXPORT(bool) Field_Jump(int32_t, int32_t) { return api::Quiet(err::kOk); }
TXORB_EXPORT(bool) Home_Jump(int32_t, int32_t) { return api::Quiet(err::kOk); }

TXORB_EXPORT(const char*) txorb_error_name(uint32_t code) { return api::ErrorName(code); }

}  // extern "C"
