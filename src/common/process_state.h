// Process-wide values that several layers write: the last-error store and the module handle.
// They are atomics because exports run on any thread and none of this state is under a lock.
#pragma once

#include "common/error_codes.h"

namespace txorb {

// Written only by the active-card lookup and the four exports that own a write; never by the
// reporters, so a failed exchange leaves it as it was.
void StoreLastErrorCode(ErrorCode code);
ErrorCode LastErrorCode();

// Set when the library is attached to the process; the message lookup needs it.
void SetModuleHandleStored(bool stored);
bool ModuleHandleStored();

}  // namespace txorb
