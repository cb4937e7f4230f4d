// The registry accessor: typed reads, writes and deletions addressed by one path string that
// starts with a root prefix ("HKLM\", "HKEY_LOCAL_MACHINE\", "HKCU\", "HKEY_CURRENT_USER\").
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/registry_store.h"

namespace txorb::config {

enum class RegistryOperation : uint8_t {
    kAccessRead = 0,
    kAccessWrite = 1,
    kAccessDeleteValue = 2,
    kAccessDeleteKey = 3,
};

// Removes the root prefix from path (compared case-sensitively) and returns its root.
std::optional<platform::RegRoot> ParseRootKey(std::string& path);

bool RegistryAccess(RegistryOperation op, const char* path, const char* valueName, void* data,
                    uint32_t size, uint32_t type);

// The string arrives NUL-terminated within the buffer whenever the read succeeds.
bool ReadRegistryString(const char* path, const char* valueName, char* buffer, uint32_t size);
bool ReadRegistryBinary(const char* path, const char* valueName, void* buffer, uint32_t size);
bool ReadRegistryDword(const char* path, const char* valueName, uint32_t* value);
bool WriteRegistryValue(const char* path, const char* valueName, const void* data, uint32_t size,
                        uint32_t type);
bool DeleteRegistryValue(const char* path, const char* valueName);
bool DeleteRegistryKey(const char* path);

}  // namespace txorb::config
