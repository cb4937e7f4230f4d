#include "api/report.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "api/messages.h"
#include "api/outcome.h"
#include "config/registry.h"
#include "platform/message_sink.h"

namespace txorb::api {
namespace {

constexpr const char* kSettingsKey = "HKLM\\SOFTWARE\\Zazave\\TX-ORB";

enum : int { kSwitchUnread = 0, kSwitchShow = 1, kSwitchQuiet = 2 };
std::atomic<int> g_messageBoxSwitch{kSwitchUnread};
std::atomic<bool> g_traceEnabled{false};

std::mutex g_traceMutex;
char g_traceLine[256];

bool RegistryFlagIsOne(const char* valueName) {
    uint32_t value = 0;
    if (!config::ReadRegistryDword(kSettingsKey, valueName, &value)) return false;
    return value == 1;
}

}  // namespace

void ShowError(ErrorCode code, const char* apiName, const char* contextText, bool reread) {
    RecordOutcome(code);
    if (g_messageBoxSwitch.load(std::memory_order_acquire) == kSwitchUnread || reread) {
        g_messageBoxSwitch.store(RegistryFlagIsOne("DisplayErrors") ? kSwitchShow : kSwitchQuiet,
                                 std::memory_order_release);
    }
    if (code == err::kOk) return;
    if (g_messageBoxSwitch.load(std::memory_order_acquire) != kSwitchShow) return;
    try {
        const std::string caption = "TX-ORB ErrorCode " + std::to_string(code);
        std::string body = ErrorMessage(static_cast<int32_t>(code));
        if (apiName != nullptr) body.append("\n\nAPI call: ").append(apiName);
        if (contextText != nullptr) body.append("\n\nContext : ").append(contextText);
        platform::ShowMessage(caption.c_str(), body.c_str());
    } catch (...) {
        // Out of memory while building a message: the caller still gets its result.
    }
}

void ReportErrorWithContext(ErrorCode code, const char* apiName, long number) {
    char context[24];
    std::snprintf(context, sizeof context, "%ld", number);
    ShowError(code, apiName, context, false);
}

void ReadTraceSwitch() {
    g_traceEnabled.store(RegistryFlagIsOne("DisplayMessBox"), std::memory_order_release);
}

bool TraceEnabled() { return g_traceEnabled.load(std::memory_order_acquire); }

void Trace(const char* format, ...) {
    if (!TraceEnabled()) return;
    std::lock_guard<std::mutex> hold(g_traceMutex);
    va_list args;
    va_start(args, format);
    std::vsnprintf(g_traceLine, sizeof g_traceLine, format, args);
    va_end(args);
}

void CopyTraceLine(char* out, unsigned size) {
    if (out == nullptr || size == 0) return;
    std::lock_guard<std::mutex> hold(g_traceMutex);
    std::strncpy(out, g_traceLine, size - 1);
    out[size - 1] = '\0';
}

void ResetMessageBoxSwitch() { g_messageBoxSwitch.store(kSwitchUnread); }

}  // namespace txorb::api
