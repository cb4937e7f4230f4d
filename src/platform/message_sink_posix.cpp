#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/message_sink.h"

namespace txorb::platform {
namespace {

// Caption on one line, then the body, then a line feed, in a single write so that messages
// from several threads never interleave.
void StderrSink(const char* caption, const char* body) {
    std::string text;
    text.reserve(std::strlen(caption) + std::strlen(body) + 2);
    text.append(caption).append("\n").append(body).append("\n");
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(STDERR_FILENO, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        left -= static_cast<size_t>(n);
    }
}

std::atomic<MessageSink> g_sink{StderrSink};

}  // namespace

void ShowMessage(const char* caption, const char* body) {
    g_sink.load(std::memory_order_acquire)(caption, body);
}

void SetMessageSink(MessageSink sink) {
    g_sink.store(sink != nullptr ? sink : StderrSink, std::memory_order_release);
}

}  // namespace txorb::platform
