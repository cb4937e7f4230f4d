// The serial-port seam: one table of functions per platform, in the manner of a VFS, so that a
// test can slide a fault-injecting port underneath the SerialLink without touching it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace txorb::platform {

using SerialHandle = intptr_t;
inline constexpr SerialHandle kInvalidSerialHandle = -1;

enum class SerialReadResult : int8_t { kData = 1, kTimeout = 0, kError = -1 };

struct SerialPortMethods {
    // Opens the device exclusively (a second open of a held port fails, as on Windows).
    SerialHandle (*open)(const char* devicePath);
    void (*close)(SerialHandle handle);
    // Raw 115200 8N1 with CTS output flow control and both driver queues purged.
    bool (*configure)(SerialHandle handle);
    // DTR low, RTS high. Lines that the device cannot drive make this false; callers ignore it.
    bool (*setInitialLines)(SerialHandle handle);
    bool (*purgeInput)(SerialHandle handle);
    bool (*purgeOutput)(SerialHandle handle);
    // Writes every byte or fails; waits at most timeoutMs in all for the line to take them.
    bool (*write)(SerialHandle handle, const uint8_t* data, size_t count, uint32_t timeoutMs);
    // Reads what is available, up to capacity, waiting at most timeoutMs for the first byte.
    // kData sets *got > 0; kTimeout means nothing arrived; kError means the device is gone.
    SerialReadResult (*read)(SerialHandle handle, uint8_t* buffer, size_t capacity,
                             uint32_t timeoutMs, size_t* got);
    bool (*getDsr)(SerialHandle handle, bool* on);
    bool (*setDtr)(SerialHandle handle, bool on);
};

const SerialPortMethods& SerialPort();
// Replaces the active table (null restores the native one). Tests only.
void SetSerialPortMethods(const SerialPortMethods* methods);
const SerialPortMethods& NativeSerialPort();

}  // namespace txorb::platform
