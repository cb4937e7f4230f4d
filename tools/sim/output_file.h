// The virtual card's outputs (pictures, log) are written under a temporary name in their own
// folder and renamed to their name once complete, so that a reader never finds half a file
// under that name. Failures name the output's path and the system's reason: "PATH: reason".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace txorb::sim {

class OutputFile {
public:
    explicit OutputFile(std::string path) : path_(std::move(path)) {}
    ~OutputFile();  // an output never committed leaves nothing behind
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file (mode 0666 less the umask).
    bool Open(std::string* error);
    // False once a write has failed; Error() then says why.
    bool Write(const void* data, size_t count);
    // Renames the temporary to the output's name; Publish() keeps the file open for appending.
    bool Commit(std::string* error);
    bool Publish(std::string* error);
    // Cuts the file back to this many bytes (after a failed write: whole lines only).
    void Truncate(size_t bytes);

    const std::string& Path() const { return path_; }
    std::string Error() const { return path_ + ": " + reason_; }
    bool Failed() const { return !reason_.empty(); }

private:
    bool Fail(int errnum);
    void Discard();

    std::string path_;
    std::string temp_;  // empty once renamed
    int fd_ = -1;
    std::string reason_;
};

// Text for an open OutputFile, gathered and written a buffer at a time, so that a large output
// is never held whole.
class TextOutput {
public:
    explicit TextOutput(OutputFile* file) : file_(file) { buffer_.reserve(kBufferBytes); }
    void Append(std::string_view text) {
        buffer_.append(text);
        if (buffer_.size() >= kBufferBytes) Flush();
    }
    void Append(char c) {
        buffer_.push_back(c);
        if (buffer_.size() >= kBufferBytes) Flush();
    }
    // Writes what is gathered; false once a write has failed (the file's Error() says why).
    bool Flush();

private:
    static constexpr size_t kBufferBytes = 64 * 1024;
    OutputFile* file_;
    std::string buffer_;
};

// Writes data as path in one go (through a temporary name).
bool WriteOutput(const std::string& path, const std::string& data, std::string* error);

}  // namespace txorb::sim
