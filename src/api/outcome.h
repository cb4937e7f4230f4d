// The outcome each export leaves on its thread for txorb_thread_last_failure: the code its
// message box shows or would show, the implementation's code where it reports nothing, 0 on
// success. The reporters record what they are handed, so every export that goes through the
// frame records without a line of its own; an export that reports nothing returns through
// Quiet or Answer instead, and no export leaves the code of an earlier call in place.
#pragma once

#include "common/error_codes.h"

namespace txorb::api {

void RecordOutcome(ErrorCode code);
ErrorCode ThreadOutcome();

// An export that reports nothing and answers true for 0.
inline bool Quiet(ErrorCode code) {
    RecordOutcome(code);
    return code == err::kOk;
}

// An export that answers a value: the outcome is the code of the exchange behind the value.
template <typename T>
T Answer(T value, ErrorCode code) {
    RecordOutcome(code);
    return value;
}

}  // namespace txorb::api
