// One line to a virtual card's control socket and its one-line answer, for the end-to-end tests
// and the soak alike.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>

namespace txorb::test {

// The answer without its line end; "" when none came whole within timeoutMs.
inline std::string SimControl(const std::string& socketPath, const std::string& line,
                              int timeoutMs = 3000) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socketPath.c_str(), sizeof addr.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const std::string text = line + "\n";
    std::string answer;
    bool whole = false;
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size())) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (char c = 0; !whole && std::chrono::steady_clock::now() < deadline;) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            if (::read(fd, &c, 1) != 1) break;
            whole = c == '\n';
            if (!whole) answer.push_back(c);
        }
    }
    if (fd >= 0) ::close(fd);
    return whole ? answer : "";
}

}  // namespace txorb::test
