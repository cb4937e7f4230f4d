#include "output_queue.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace txorb::sim {

std::chrono::nanoseconds OutputQueue::ByteTime() const {
    if (baud_ == 0) return std::chrono::nanoseconds{0};
    return std::chrono::nanoseconds{10'000'000'000LL / baud_};
}

void OutputQueue::Push(const std::vector<uint8_t>& bytes, SteadyTime start,
                       std::chrono::microseconds gap) {
    SteadyTime floor = bytes_.empty() ? start : std::max(start, bytes_.back().due);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const SteadyTime due = std::max(floor, start + gap * static_cast<int64_t>(i));
        bytes_.push_back(Byte{bytes[i], due});
        floor = due;
    }
}

SteadyTime OutputQueue::NextDue() const {
    if (bytes_.empty()) return SteadyTime::max();
    return baud_ == 0 ? bytes_.front().due : std::max(bytes_.front().due, lineFree_);
}

bool OutputQueue::Flush(int fd, SteadyTime now) {
    while (!bytes_.empty()) {
        batch_.clear();
        lineAfter_.clear();
        SteadyTime line = lineFree_;
        for (const Byte& b : bytes_) {
            const SteadyTime leaves = baud_ == 0 ? b.due : std::max(b.due, line);
            if (leaves > now) break;
            line = leaves + ByteTime();
            batch_.push_back(b.value);
            lineAfter_.push_back(line);
        }
        if (batch_.empty()) return true;
        const ssize_t n = ::write(fd, batch_.data(), batch_.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        const size_t written = static_cast<size_t>(n);
        if (written == 0) return true;
        lineFree_ = lineAfter_[written - 1];
        bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(written));
        if (written < batch_.size()) return true;  // the pty is full; try again later
    }
    return true;
}

}  // namespace txorb::sim
