#include <windows.h>

#include <atomic>

#include "platform/file.h"

namespace txorb::platform {
namespace {

HANDLE Native(FileHandle f) { return reinterpret_cast<HANDLE>(f); }
FileHandle Wrap(HANDLE h) {
    return h == INVALID_HANDLE_VALUE ? kInvalidFile : reinterpret_cast<FileHandle>(h);
}

HANDLE CreateTruncated(const char* path) {
    return CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

FileHandle Win32Create(const char* path) {
    if (path == nullptr || *path == '\0') return kInvalidFile;
    HANDLE h = CreateTruncated(path);
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
        // A read-only file left by someone else becomes ours to rewrite.
        const DWORD attributes = GetFileAttributesA(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            SetFileAttributesA(path, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))) {
            h = CreateTruncated(path);
        }
    }
    return Wrap(h);
}

FileHandle Win32OpenRead(const char* path) {
    if (path == nullptr || *path == '\0') return kInvalidFile;
    // Without FILE_FLAG_BACKUP_SEMANTICS a directory does not open.
    return Wrap(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

constexpr size_t kLargestCall = 1u << 30;  // one ReadFile/WriteFile takes a DWORD count

bool Win32WriteAll(FileHandle f, const void* data, size_t count) {
    const auto* p = static_cast<const unsigned char*>(data);
    while (count > 0) {
        const DWORD request = static_cast<DWORD>(count < kLargestCall ? count : kLargestCall);
        DWORD written = 0;
        if (!WriteFile(Native(f), p, request, &written, nullptr) || written == 0) return false;
        p += written;
        count -= written;
    }
    return true;
}

long long Win32Read(FileHandle f, void* data, size_t count) {
    auto* p = static_cast<unsigned char*>(data);
    size_t done = 0;
    while (done < count) {
        const size_t left = count - done;
        const DWORD request = static_cast<DWORD>(left < kLargestCall ? left : kLargestCall);
        DWORD got = 0;
        if (!ReadFile(Native(f), p + done, request, &got, nullptr)) return -1;
        if (got == 0) break;
        done += got;
    }
    return static_cast<long long>(done);
}

long long Win32Size(FileHandle f) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(Native(f), &size)) return -1;
    return size.QuadPart;
}

void Win32Close(FileHandle f, bool flush) {
    if (f == kInvalidFile) return;
    if (flush) FlushFileBuffers(Native(f));
    CloseHandle(Native(f));
}

const FileMethods kWin32Files = {Win32Create, Win32OpenRead, Win32WriteAll,
                                 Win32Read,   Win32Size,     Win32Close};
std::atomic<const FileMethods*> g_files{&kWin32Files};

}  // namespace

const FileMethods& Files() { return *g_files.load(std::memory_order_acquire); }
void SetFileMethods(const FileMethods* methods) {
    g_files.store(methods != nullptr ? methods : &kWin32Files, std::memory_order_release);
}

}  // namespace txorb::platform
