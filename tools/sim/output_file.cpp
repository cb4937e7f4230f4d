#include "output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace txorb::sim {
namespace {

std::atomic<unsigned> g_tempCounter{0};

}  // namespace

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Fail(int errnum) {
    if (reason_.empty()) reason_ = std::strerror(errnum);
    return false;
}

void OutputFile::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

bool OutputFile::Open(std::string* error) {
    // The same folder as the output, so that the rename never crosses file systems.
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temp_ = path_ + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(g_tempCounter++);
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        Fail(errno);
        temp_.clear();
        *error = Error();
        return false;
    }
    return true;
}

bool OutputFile::Write(const void* data, size_t count) {
    if (fd_ < 0 || Failed()) return false;
    const auto* bytes = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t n = ::write(fd_, bytes, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail(n < 0 ? errno : ENOSPC);
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

void OutputFile::Truncate(size_t bytes) {
    if (fd_ >= 0 && ::ftruncate(fd_, static_cast<off_t>(bytes)) == 0) {
        ::lseek(fd_, static_cast<off_t>(bytes), SEEK_SET);
    }
}

bool OutputFile::Publish(std::string* error) {
    if (!Failed() && !temp_.empty() && ::rename(temp_.c_str(), path_.c_str()) != 0) Fail(errno);
    if (Failed()) {
        *error = Error();
        return false;
    }
    temp_.clear();
    return true;
}

bool OutputFile::Commit(std::string* error) {
    if (fd_ >= 0 && ::close(fd_) != 0) Fail(errno);
    fd_ = -1;
    if (!Publish(error)) {
        Discard();
        return false;
    }
    return true;
}

bool TextOutput::Flush() {
    const bool ok = file_->Write(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
}

bool WriteOutput(const std::string& path, const std::string& data, std::string* error) {
    OutputFile file(path);
    if (!file.Open(error)) return false;
    file.Write(data.data(), data.size());
    return file.Commit(error);
}

}  // namespace txorb::sim
