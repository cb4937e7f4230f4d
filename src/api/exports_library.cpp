// Errors, messages and the exports that only keep old programs linking.
#include "api/error_table.h"
#include "api/messages.h"
#include "common/process_state.h"
#include "txorb/txorb.h"

using namespace txorb;

extern "C" {

uint32_t Get_Last_Error_Code(void) { return LastErrorCode(); }

const char* Get_Error_Message(int32_t code) { return api::ErrorMessage(code); }

const char* Get_Last_Error_Message(void) {
    return api::ErrorMessage(static_cast<int32_t>(LastErrorCode()));
}

// Kept for programs written against older cards; the RTB has nothing to do for them.
bool Set_Delays_11_12(int32_t, int32_t) { return true; }
bool Field_Jump(int32_t, int32_t) { return true; }
bool Home_Jump(int32_t, int32_t) { return true; }

const char* txorb_error_name(uint32_t code) { return api::ErrorName(code); }

}  // extern "C"
