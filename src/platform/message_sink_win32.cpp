#include <windows.h>

#include <atomic>

#include "platform/message_sink.h"

namespace txorb::platform {
namespace {

// Exclamation icon, brought to the foreground and kept on top, without an owner window: the
// library never knows the host program's windows.
constexpr UINT kMessageBoxStyle = MB_ICONEXCLAMATION | MB_SETFOREGROUND | MB_TOPMOST;
static_assert(kMessageBoxStyle == 0x50030);

void MessageBoxSink(const char* caption, const char* body) {
    MessageBoxA(nullptr, body, caption, kMessageBoxStyle);
}

std::atomic<MessageSink> g_sink{MessageBoxSink};

}  // namespace

void ShowMessage(const char* caption, const char* body) {
    g_sink.load(std::memory_order_acquire)(caption, body);
}

void SetMessageSink(MessageSink sink) {
    g_sink.store(sink != nullptr ? sink : MessageBoxSink, std::memory_order_release);
}

}  // namespace txorb::platform
