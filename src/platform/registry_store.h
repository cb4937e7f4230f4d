// The registry seam: typed values under keys of two roots, as the Windows registry holds them.
// The POSIX store keeps them in one text file in the registry export format (see
// registry_text.h), named by TXORB_REGISTRY or /etc/txorb/registry.reg.
#pragma once

#include <cstdint>

namespace txorb::platform {

enum class RegRoot : uint8_t { kLocalMachine, kCurrentUser };
enum class RegStatus : uint8_t { kOk, kNoKey, kNoValue, kMoreData, kFailed };
// The rights a key is opened with. The generic accessor asks for all rights even to read, so on
// Windows a user who may not change a key does not see its values through it; the per-card
// readers only read. Stores without access control ignore it.
enum class RegAccess : uint8_t { kRead, kAll };

inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;

struct RegistryMethods {
    // A key exists when it, or any key below it, is in the store. "" is the root itself.
    bool (*keyExists)(RegRoot root, const char* subkey, RegAccess access);
    // On entry *size is the buffer's size; on kOk and kMoreData it is the value's size.
    // A REG_SZ value's data ends with its terminating NUL, as Windows returns it.
    RegStatus (*queryValue)(RegRoot root, const char* subkey, const char* name, RegAccess access,
                            uint32_t* type, uint8_t* data, uint32_t* size);
    // Creates missing keys. The store is replaced atomically; a failed write leaves it whole.
    RegStatus (*setValue)(RegRoot root, const char* subkey, const char* name, uint32_t type,
                          const uint8_t* data, uint32_t size);
    RegStatus (*deleteValue)(RegRoot root, const char* subkey, const char* name);
    // Fails for a key that has keys below it, as RegDeleteKey does.
    RegStatus (*deleteKey)(RegRoot root, const char* subkey);
};

const RegistryMethods& Registry();
void SetRegistryMethods(const RegistryMethods* methods);  // null restores the file store

// The file the POSIX store reads at every call.
const char* RegistryFilePath();

}  // namespace txorb::platform
