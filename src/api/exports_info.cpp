// Module information: the library's version, the status word and the numbered status queries.
// None of them reports an error; each only answers.
#include <new>

#include "api/outcome.h"
#include "api/report.h"
#include "info/module_status_query.h"
#include "info/version.h"
#include "txorb/txorb.h"

using namespace txorb;

extern "C" {

TXORB_EXPORT(uint16_t) Get_DLL_Version(void) {
    const uint16_t version = info::VersionNumber(info::ReadVersionRecord());
    api::Trace("Get_DLL_Version=%u", static_cast<unsigned>(version));
    return api::Answer(version, err::kOk);
}

TXORB_EXPORT(uint16_t) Get_System_Status(void) {
    const uint16_t status = info::SystemStatusWord();
    api::Trace("Get_System_Status=%u", static_cast<unsigned>(status));
    return api::Answer(status, err::kOk);
}

TXORB_EXPORT(int32_t) DLL_Status_Query(int32_t query_define, int32_t iparam, intptr_t lparam,
                                       int32_t* xparam, int32_t* zparam) {
    api::Trace("query_define=%d iparam=%d lparam=%lld xparam=%lld zparam=%lld", query_define,
               iparam, static_cast<long long>(lparam),
               static_cast<long long>(reinterpret_cast<intptr_t>(xparam)),
               static_cast<long long>(reinterpret_cast<intptr_t>(zparam)));
    try {
        return api::Answer(info::StatusQuery(query_define, iparam, lparam, xparam, zparam),
                           err::kOk);
    } catch (...) {
        // Only the serial probe allocates; without memory it simply finds nothing.
        return api::Answer<int32_t>(0, err::kNotEnoughMemory);
    }
}

TXORB_EXPORT(const char*) txorb_library_version(void) { return info::ReleaseVersion(); }

TXORB_EXPORT(uint32_t) txorb_thread_last_failure(void) { return api::ThreadOutcome(); }

}  // extern "C"
