#include "api/outcome.h"

namespace txorb::api {
namespace {
// A plain integer: no constructor or destructor runs per thread, so threads of the host
// program that never call in cost nothing, and the library can unload under them.
thread_local ErrorCode t_outcome = err::kOk;
}  // namespace

void RecordOutcome(ErrorCode code) { t_outcome = code; }
ErrorCode ThreadOutcome() { return t_outcome; }

}  // namespace txorb::api
