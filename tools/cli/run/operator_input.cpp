#include "cli/run/operator_input.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "cli/run/interrupt.h"

namespace txorb::cli {
namespace {

constexpr int kInterruptCheckMs = 100;

// Reads what is waiting up to a line end: kPressed at the end of a line, kClosed at the end
// of input, kNone when the line is not complete yet.
EnterKey ReadWaiting() {
    char c = 0;
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR)
            return Interrupted() ? EnterKey::kInterrupted : EnterKey::kNone;
        if (n <= 0) return EnterKey::kClosed;
        if (c == '\n') return EnterKey::kPressed;
        pollfd p{STDIN_FILENO, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0) return EnterKey::kNone;
    }
}

EnterKey Poll(int ms) {
    if (Interrupted()) return EnterKey::kInterrupted;
    pollfd p{STDIN_FILENO, POLLIN, 0};
    const int r = ::poll(&p, 1, ms);
    if (Interrupted()) return EnterKey::kInterrupted;
    if (r <= 0) return EnterKey::kNone;
    if ((p.revents & (POLLIN | POLLHUP)) == 0) return EnterKey::kClosed;
    return ReadWaiting();
}

}  // namespace

EnterKey WaitForEnter() {
    for (;;) {
        const EnterKey key = Poll(kInterruptCheckMs);
        if (key != EnterKey::kNone) return key;
    }
}

EnterKey EnterPressed() { return Poll(0); }

}  // namespace txorb::cli
