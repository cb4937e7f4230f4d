// Wrappers over the port-driver module: I/O ports and PCI configuration space are reached only
// through it. Starting the driver also creates the CommandLock; stopping it deletes the lock.
#pragma once

#include <cstddef>
#include <cstdint>

namespace txorb::link {

bool PortDriverStart();
bool PortDriverStop();
bool EnableIoRange(uint32_t port, uint32_t count, uint32_t widthBits);
uint32_t ReadPortByte(uint32_t port);
uint32_t WritePortByte(uint32_t port, uint32_t value);
// On success buffer holds the first 256 bytes of the function's configuration header.
bool ReadPciConfig(int32_t bus, int32_t device, int32_t function, void* buffer, size_t size);

}  // namespace txorb::link
