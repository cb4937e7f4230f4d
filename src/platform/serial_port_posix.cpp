// termios implementation of the serial-port seam. Works on real UARTs and on pseudo-terminals,
// where every modem-control request fails with ENOTTY: that must not fail the open.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/clock.h"
#include "platform/serial_port.h"

namespace txorb::platform {
namespace {

int Fd(SerialHandle h) { return static_cast<int>(h); }

SerialHandle PosixOpen(const char* path) {
    if (path == nullptr || *path == '\0') return kInvalidSerialHandle;
    int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return kInvalidSerialHandle;
    // TIOCEXCL does not stop root, so hold an advisory lock for the life of the handle.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return kInvalidSerialHandle;
    }
    return fd;
}

void PosixClose(SerialHandle h) {
    if (h >= 0) ::close(Fd(h));
}

bool PosixConfigure(SerialHandle h) {
    termios tio{};
    if (::tcgetattr(Fd(h), &tio) != 0) return false;
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    tio.c_cflag |= CS8 | CREAD | CLOCAL | CRTSCTS;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, B115200) != 0 || ::cfsetospeed(&tio, B115200) != 0) return false;
    if (::tcsetattr(Fd(h), TCSANOW, &tio) != 0) return false;
    return ::tcflush(Fd(h), TCIOFLUSH) == 0;
}

bool PosixSetInitialLines(SerialHandle h) {
    int dtr = TIOCM_DTR;
    int rts = TIOCM_RTS;
    bool ok = ::ioctl(Fd(h), TIOCMBIC, &dtr) == 0;
    ok = (::ioctl(Fd(h), TIOCMBIS, &rts) == 0) && ok;
    return ok;
}

bool PosixPurgeInput(SerialHandle h) { return ::tcflush(Fd(h), TCIFLUSH) == 0; }
// A request counts as sent once write() has handed it to the kernel, as a completed overlapped
// write does on Windows. Flushing the kernel's queue after that could only drop requests already
// sent (on a pseudo-terminal it does, whenever the peer has not read them yet), so the purge
// keeps them; what a timed-out write leaves behind is dropped by the write itself.
bool PosixPurgeOutput(SerialHandle) { return true; }

bool PosixWrite(SerialHandle h, const uint8_t* data, size_t count, uint32_t timeoutMs) {
    const uint64_t start = MonotonicMs();
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::write(Fd(h), data + done, count - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
        const uint64_t elapsed = MonotonicMs() - start;
        if (elapsed >= timeoutMs) {
            ::tcflush(Fd(h), TCOFLUSH);  // the rest of this request must not prefix the next
            return false;
        }
        pollfd p{Fd(h), POLLOUT, 0};
        int r = ::poll(&p, 1, static_cast<int>(timeoutMs - elapsed));
        if (r < 0 && errno != EINTR) return false;
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return false;
    }
    return true;
}

SerialReadResult PosixRead(SerialHandle h, uint8_t* buffer, size_t capacity, uint32_t timeoutMs,
                           size_t* got) {
    *got = 0;
    const uint64_t start = MonotonicMs();
    int readableButEmpty = 0;
    for (;;) {
        ssize_t n = ::read(Fd(h), buffer, capacity);
        if (n > 0) {
            *got = static_cast<size_t>(n);
            return SerialReadResult::kData;
        }
        if (n < 0 && errno == EINTR) continue;
        // A raw tty with VMIN = VTIME = 0 reads 0 when empty; EAGAIN is the same news.
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return SerialReadResult::kError;
        // poll() said readable twice and still nothing came: the device is gone, not slow.
        if (readableButEmpty >= 2) return SerialReadResult::kError;
        const uint64_t elapsed = MonotonicMs() - start;
        if (elapsed >= timeoutMs) return SerialReadResult::kTimeout;
        pollfd p{Fd(h), POLLIN, 0};
        int r = ::poll(&p, 1, static_cast<int>(timeoutMs - elapsed));
        if (r == 0) return SerialReadResult::kTimeout;
        if (r < 0) {
            if (errno == EINTR) continue;
            return SerialReadResult::kError;
        }
        if ((p.revents & POLLIN) == 0) return SerialReadResult::kError;
        ++readableButEmpty;
    }
}

bool PosixGetDsr(SerialHandle h, bool* on) {
    int bits = 0;
    if (::ioctl(Fd(h), TIOCMGET, &bits) != 0) return false;
    *on = (bits & TIOCM_DSR) != 0;
    return true;
}

bool PosixSetDtr(SerialHandle h, bool on) {
    int bit = TIOCM_DTR;
    return ::ioctl(Fd(h), on ? TIOCMBIS : TIOCMBIC, &bit) == 0;
}

const SerialPortMethods kPosixSerial = {
    PosixOpen,        PosixClose, PosixConfigure, PosixSetInitialLines, PosixPurgeInput,
    PosixPurgeOutput, PosixWrite, PosixRead,      PosixGetDsr,          PosixSetDtr,
};

std::atomic<const SerialPortMethods*> g_active{&kPosixSerial};

}  // namespace

const SerialPortMethods& SerialPort() { return *g_active.load(std::memory_order_acquire); }
const SerialPortMethods& NativeSerialPort() { return kPosixSerial; }
void SetSerialPortMethods(const SerialPortMethods* methods) {
    g_active.store(methods != nullptr ? methods : &kPosixSerial, std::memory_order_release);
}

}  // namespace txorb::platform
