#include "line_server.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace txorb::sim {
namespace {

constexpr size_t kMaxLine = 1 << 20;
constexpr size_t kMaxClients = 64;

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 1000) <= 0) return false;  // a client that never reads is dropped
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

LineServer::~LineServer() {
    for (auto& c : clients_) ::close(c.fd);
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(path_.c_str());
    }
}

bool LineServer::Listen(const std::string& path, std::string* error) {
    sockaddr_un addr{};
    if (path.empty() || path.size() >= sizeof addr.sun_path) {
        *error = "socket path too long or empty: " + path;
        return false;
    }
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0) {
        *error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    ::unlink(path.c_str());  // a socket left by a simulator that died
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 16) != 0) {
        *error = path + ": " + std::strerror(errno);
        ::close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    path_ = path;
    return true;
}

void LineServer::AddPollFds(std::vector<pollfd>* fds) const {
    if (listenFd_ >= 0) fds->push_back(pollfd{listenFd_, POLLIN, 0});
    for (const auto& c : clients_) fds->push_back(pollfd{c.fd, POLLIN, 0});
}

void LineServer::Accept() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;
        if (clients_.size() >= kMaxClients) {
            ::close(fd);
            continue;
        }
        clients_.push_back(Client{fd, {}});
    }
}

bool LineServer::ReadClient(Client* client, const Handler& handler) {
    char buf[4096];
    for (;;) {
        const ssize_t n = ::recv(client->fd, buf, sizeof buf, 0);
        if (n == 0) return false;
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        client->pending.append(buf, static_cast<size_t>(n));
        size_t start = 0;
        for (size_t nl; (nl = client->pending.find('\n', start)) != std::string::npos;
             start = nl + 1) {
            std::string line = client->pending.substr(start, nl - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::string reply;
            if (handler(line, &reply) && !WriteAll(client->fd, reply + "\n")) return false;
        }
        client->pending.erase(0, start);
        if (client->pending.size() > kMaxLine) return false;
    }
}

void LineServer::Serve(const std::vector<pollfd>& fds, const Handler& handler) {
    std::vector<int> ready;
    for (const auto& p : fds) {
        if (p.revents == 0) continue;
        if (p.fd == listenFd_) {
            Accept();
        } else {
            ready.push_back(p.fd);
        }
    }
    for (int fd : ready) {
        auto it = std::find_if(clients_.begin(), clients_.end(),
                               [fd](const Client& c) { return c.fd == fd; });
        if (it == clients_.end()) continue;
        if (!ReadClient(&*it, handler)) {
            ::close(it->fd);
            clients_.erase(it);
        }
    }
}

}  // namespace txorb::sim
