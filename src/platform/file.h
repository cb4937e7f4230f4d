// Files the library reads and writes: the command capture and the host files sent to the card.
#pragma once

#include <cstddef>
#include <cstdint>

namespace txorb::platform {

using FileHandle = intptr_t;
inline constexpr FileHandle kInvalidFile = -1;

struct FileMethods {
    // Created when missing, truncated when present, readable and writable by its owner.
    FileHandle (*createForWrite)(const char* path);
    FileHandle (*openForRead)(const char* path);
    // One write call per block: no user-space buffering that could hide a failure.
    bool (*writeAll)(FileHandle file, const void* data, size_t count);
    // Reads up to count bytes; returns the number read, or -1 on error.
    long long (*read)(FileHandle file, void* data, size_t count);
    // Size in bytes, or -1.
    long long (*size)(FileHandle file);
    // Flushes to disk (for written files) and closes.
    void (*close)(FileHandle file, bool flush);
};

const FileMethods& Files();
void SetFileMethods(const FileMethods* methods);  // null restores the native table; tests only

}  // namespace txorb::platform
