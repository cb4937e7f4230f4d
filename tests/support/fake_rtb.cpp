#include "support/fake_rtb.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "support/test_env.h"

namespace txorb::test {

FakeRtb::FakeRtb() : responder_([](const proto::Packet&) { return Status(1); }) {
    if (::pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) wakePipe_[0] = wakePipe_[1] = -1;
    thread_ = std::thread([this] { Run(); });
}

FakeRtb::~FakeRtb() {
    stop_ = true;
    if (wakePipe_[1] >= 0) (void)!::write(wakePipe_[1], "x", 1);
    thread_.join();
    for (int fd : wakePipe_) {
        if (fd >= 0) ::close(fd);
    }
}

void FakeRtb::SetResponder(Responder responder) {
    std::lock_guard<std::mutex> hold(mutex_);
    responder_ = std::move(responder);
}

void FakeRtb::ReplyTo(uint8_t opcode, Reply reply) {
    std::lock_guard<std::mutex> hold(mutex_);
    for (auto& c : canned_) {
        if (c.first == opcode) {
            c.second = std::move(reply);
            return;
        }
    }
    canned_.emplace_back(opcode, std::move(reply));
}

std::vector<proto::Packet> FakeRtb::Packets() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return packets_;
}

std::vector<std::string> FakeRtb::PacketsHex() const {
    std::vector<std::string> out;
    for (const auto& p : Packets()) out.push_back(Hex(p.raw));
    return out;
}

std::vector<uint8_t> FakeRtb::RawReceived() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return raw_;
}

bool FakeRtb::WaitForPackets(size_t n, int timeoutMs) const {
    std::unique_lock<std::mutex> hold(mutex_);
    return arrived_.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                             [&] { return packets_.size() >= n; });
}

void FakeRtb::Clear() {
    std::lock_guard<std::mutex> hold(mutex_);
    packets_.clear();
    raw_.clear();
}

void FakeRtb::SendRaw(const std::vector<uint8_t>& bytes) { Send(Reply{bytes}); }

void FakeRtb::HangUp() { pty_.HangUp(); }

void FakeRtb::Send(const Reply& reply) {
    const int fd = pty_.MasterFd();
    if (fd < 0 || reply.bytes.empty()) return;
    if (reply.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(reply.delayMs));
    const size_t step = reply.gapMs > 0 ? 1 : reply.bytes.size();
    for (size_t off = 0; off < reply.bytes.size(); off += step) {
        if (off > 0 && reply.gapMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(reply.gapMs));
        }
        size_t done = 0;
        const size_t len = std::min(step, reply.bytes.size() - off);
        while (done < len) {
            ssize_t n = ::write(fd, reply.bytes.data() + off + done, len - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                pollfd p{fd, POLLOUT, 0};
                ::poll(&p, 1, 50);
            } else {
                return;
            }
        }
    }
}

void FakeRtb::Run() {
    uint8_t buf[65536];
    while (!stop_) {
        const int fd = pty_.MasterFd();
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        int r = ::poll(fds, 2, 100);
        if (r <= 0 || fd < 0) continue;
        if ((fds[0].revents & POLLIN) == 0) {
            if ((fds[0].revents & (POLLHUP | POLLERR)) != 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            continue;
        }
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) continue;
        std::vector<proto::Packet> complete;
        parser_.Feed(buf, static_cast<size_t>(n), &complete);
        for (auto& packet : complete) {
            Reply reply;
            {
                std::lock_guard<std::mutex> hold(mutex_);
                raw_.insert(raw_.end(), packet.raw.begin(), packet.raw.end());
                bool found = false;
                for (const auto& c : canned_) {
                    if (c.first == packet.opcode) {
                        reply = c.second;
                        found = true;
                    }
                }
                if (!found) reply = responder_(packet);
                packets_.push_back(packet);
            }
            arrived_.notify_all();
            Send(reply);
        }
    }
}

}  // namespace txorb::test
