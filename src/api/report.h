// What every export has in common: the trace line, the error report and the boolean result.
#pragma once

#include <cstdint>

#include "api/outcome.h"
#include "common/error_codes.h"

namespace txorb::api {

// Records the code as the thread's outcome, then shows the message box when it is switched on.
void ShowError(ErrorCode code, const char* apiName, const char* contextText, bool reread);
inline void ReportError(ErrorCode code, const char* apiName) {
    ShowError(code, apiName, nullptr, false);
}
void ReportErrorWithContext(ErrorCode code, const char* apiName, long number);
inline void ReportErrorRereading(ErrorCode code, const char* apiName) {
    ShowError(code, apiName, nullptr, true);
}

// The common frame: report, then true for 0.
inline bool Frame(ErrorCode code, const char* apiName) {
    ReportError(code, apiName);
    return code == err::kOk;
}

// Reads "DisplayMessBox" (only the two card-initialisation exports do this).
void ReadTraceSwitch();
bool TraceEnabled();
// Formats into the process-wide trace line when tracing is on; costs one load when it is off.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A copy of the current trace line (tests and diagnostics).
void CopyTraceLine(char* out, unsigned size);

// Forgets the message-box switch so that the next report reads it again (tests only).
void ResetMessageBoxSwitch();

}  // namespace txorb::api
