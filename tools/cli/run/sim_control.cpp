#include "cli/run/sim_control.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace txorb::cli {
namespace {

using Clock = std::chrono::steady_clock;

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0) ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

bool SendAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// One line, without its end; false when the card hangs up or the time runs out.
bool ReadLine(int fd, std::string* line, Clock::time_point deadline) {
    line->clear();
    char buffer[256];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == '\n') return true;  // one command, one answer: nothing follows
            line->push_back(buffer[i]);
        }
    }
}

}  // namespace

bool SimControl(const std::string& socketPath, const std::string& command, std::string* reply,
                std::string* error) {
    sockaddr_un addr{};
    if (socketPath.size() >= sizeof addr.sun_path) {
        *error = socketPath + ": the socket's path is too long";
        return false;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
    Socket s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (s.fd() < 0 || ::connect(s.fd(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        *error = "cannot reach the virtual card at " + socketPath + ": " + std::strerror(errno);
        return false;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(kSimControlTimeoutMs);
    if (!SendAll(s.fd(), command + "\n") || !ReadLine(s.fd(), reply, deadline)) {
        *error = "the virtual card did not answer '" + command + "'";
        return false;
    }
    return true;
}

bool SimPicture(const std::string& socketPath, const std::string& prefix, std::string* error) {
    std::string reply;
    if (!SimControl(socketPath, "picture " + prefix, &reply, error)) return false;
    if (reply == "ok") return true;
    *error = reply.rfind("error ", 0) == 0 ? reply.substr(6) : reply;
    return false;
}

}  // namespace txorb::cli
