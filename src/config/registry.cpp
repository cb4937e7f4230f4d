#include "config/registry.h"

#include <cstring>
#include <string_view>

namespace txorb::config {
namespace {

using platform::RegRoot;
using platform::RegStatus;

struct Prefix {
    std::string_view text;
    RegRoot root;
};
constexpr Prefix kPrefixes[] = {
    {"HKLM\\", RegRoot::kLocalMachine},
    {"HKEY_LOCAL_MACHINE\\", RegRoot::kLocalMachine},
    {"HKCU\\", RegRoot::kCurrentUser},
    {"HKEY_CURRENT_USER\\", RegRoot::kCurrentUser},
};

}  // namespace

std::optional<RegRoot> ParseRootKey(std::string& path) {
    for (const auto& p : kPrefixes) {
        if (path.compare(0, p.text.size(), p.text) == 0) {
            path.erase(0, p.text.size());
            return p.root;
        }
    }
    return std::nullopt;
}

bool RegistryAccess(RegistryOperation op, const char* path, const char* valueName, void* data,
                    uint32_t size, uint32_t type) {
    if (path == nullptr) return false;
    std::string subkey(path);
    const auto root = ParseRootKey(subkey);
    if (!root) return false;
    const auto& reg = platform::Registry();
    const bool hasName = valueName != nullptr && *valueName != '\0';

    if (op != RegistryOperation::kAccessWrite &&
        !reg.keyExists(*root, subkey.c_str(), platform::RegAccess::kAll)) {
        // Nothing to read; and nothing to delete, which counts as done.
        return op != RegistryOperation::kAccessRead;
    }
    switch (op) {
        case RegistryOperation::kAccessRead: {
            if (!hasName) return false;
            uint32_t storedType = 0;
            uint32_t got = size;
            const RegStatus st =
                reg.queryValue(*root, subkey.c_str(), valueName, platform::RegAccess::kAll,
                               &storedType, static_cast<uint8_t*>(data), &got);
            return st == RegStatus::kOk && data != nullptr && storedType == type && got > 0;
        }
        case RegistryOperation::kAccessWrite: {
            if (!hasName) return false;
            const RegStatus st = reg.setValue(*root, subkey.c_str(), valueName, type,
                                              static_cast<const uint8_t*>(data), size);
            return st == RegStatus::kOk && size > 0;
        }
        case RegistryOperation::kAccessDeleteValue:
            if (!hasName) return false;
            return reg.deleteValue(*root, subkey.c_str(), valueName) == RegStatus::kOk;
        case RegistryOperation::kAccessDeleteKey:
            return reg.deleteKey(*root, subkey.c_str()) == RegStatus::kOk;
    }
    return false;
}

bool ReadRegistryString(const char* path, const char* valueName, char* buffer, uint32_t size) {
    if (buffer == nullptr || size == 0) return false;
    if (!RegistryAccess(RegistryOperation::kAccessRead, path, valueName, buffer, size,
                        platform::kRegSz)) {
        return false;
    }
    // A stored string need not carry its terminator; never hand one out without it.
    if (std::memchr(buffer, '\0', size) == nullptr) buffer[size - 1] = '\0';
    return true;
}

bool ReadRegistryBinary(const char* path, const char* valueName, void* buffer, uint32_t size) {
    return RegistryAccess(RegistryOperation::kAccessRead, path, valueName, buffer, size,
                          platform::kRegBinary);
}

bool ReadRegistryDword(const char* path, const char* valueName, uint32_t* value) {
    if (value == nullptr) return false;
    return RegistryAccess(RegistryOperation::kAccessRead, path, valueName, value, 4,
                          platform::kRegDword);
}

bool WriteRegistryValue(const char* path, const char* valueName, const void* data, uint32_t size,
                        uint32_t type) {
    return RegistryAccess(RegistryOperation::kAccessWrite, path, valueName, const_cast<void*>(data),
                          size, type);
}

bool DeleteRegistryValue(const char* path, const char* valueName) {
    return RegistryAccess(RegistryOperation::kAccessDeleteValue, path, valueName, nullptr, 0, 0);
}

bool DeleteRegistryKey(const char* path) {
    return RegistryAccess(RegistryOperation::kAccessDeleteKey, path, nullptr, nullptr, 0, 0);
}

}  // namespace txorb::config
