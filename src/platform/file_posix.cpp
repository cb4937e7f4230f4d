#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/file.h"

namespace txorb::platform {
namespace {

FileHandle PosixCreate(const char* path) {
    if (path == nullptr || *path == '\0') return kInvalidFile;
    int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return kInvalidFile;
    ::fchmod(fd, 0644);  // a read-only file left by someone else becomes ours to rewrite
    return fd;
}

FileHandle PosixOpenRead(const char* path) {
    if (path == nullptr || *path == '\0') return kInvalidFile;
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return kInvalidFile;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return kInvalidFile;
    }
    return fd;
}

bool PosixWriteAll(FileHandle f, const void* data, size_t count) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (count > 0) {
        ssize_t n = ::write(static_cast<int>(f), p, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

long long PosixRead(FileHandle f, void* data, size_t count) {
    size_t done = 0;
    auto* p = static_cast<uint8_t*>(data);
    while (done < count) {
        ssize_t n = ::read(static_cast<int>(f), p + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<long long>(done);
}

long long PosixSize(FileHandle f) {
    struct stat st {};
    if (::fstat(static_cast<int>(f), &st) != 0) return -1;
    return static_cast<long long>(st.st_size);
}

void PosixCloseFile(FileHandle f, bool flush) {
    if (f < 0) return;
    if (flush) ::fsync(static_cast<int>(f));
    ::close(static_cast<int>(f));
}

const FileMethods kPosixFiles = {PosixCreate, PosixOpenRead, PosixWriteAll,
                                 PosixRead,   PosixSize,     PosixCloseFile};
std::atomic<const FileMethods*> g_files{&kPosixFiles};

}  // namespace

const FileMethods& Files() { return *g_files.load(std::memory_order_acquire); }
void SetFileMethods(const FileMethods* methods) {
    g_files.store(methods != nullptr ? methods : &kPosixFiles, std::memory_order_release);
}

}  // namespace txorb::platform
