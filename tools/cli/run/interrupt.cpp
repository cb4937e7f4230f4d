#include "cli/run/interrupt.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace txorb::cli {
namespace {

std::atomic<bool> g_interrupted{false};
int g_pipe[2] = {-1, -1};

void OnSignal(int) {
    const int saved = errno;
    g_interrupted.store(true);
    const char byte = 1;
    if (g_pipe[1] >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    }
    errno = saved;
}

}  // namespace

void InstallInterruptHandler() {
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) g_pipe[0] = g_pipe[1] = -1;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
}

bool Interrupted() { return g_interrupted.load(); }

bool WaitForInterrupt(int ms) {
    if (Interrupted()) return true;
    if (g_pipe[0] < 0) {
        ::usleep(static_cast<useconds_t>(ms) * 1000);
        return Interrupted();
    }
    pollfd p{g_pipe[0], POLLIN, 0};
    const int rc = ::poll(&p, 1, ms);
    (void)rc;
    return Interrupted();
}

}  // namespace txorb::cli
