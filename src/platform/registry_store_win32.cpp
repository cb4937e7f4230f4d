// The real registry. A 32-bit library sees the 32-bit view on 64-bit Windows, as every 32-bit
// program does, so no view flag is passed: the configuration is where the card's programs put it.
#include <windows.h>

#include <atomic>

#include "platform/registry_store.h"

namespace txorb::platform {
namespace {

// Lookups only read; a change opens its key for everything, as the accessor always did.
constexpr REGSAM kLookupAccess = KEY_READ;
constexpr REGSAM kChangeAccess = KEY_ALL_ACCESS;

HKEY RootKey(RegRoot root) {
    return root == RegRoot::kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

const char* Safe(const char* s) { return s != nullptr ? s : ""; }

RegStatus FromError(LONG error) {
    switch (error) {
        case ERROR_SUCCESS: return RegStatus::kOk;
        case ERROR_MORE_DATA: return RegStatus::kMoreData;
        case ERROR_FILE_NOT_FOUND: return RegStatus::kNoValue;
        default: return RegStatus::kFailed;
    }
}

// An open key that closes itself. A missing key is kNoKey whatever the call was.
class OpenKey {
public:
    OpenKey(RegRoot root, const char* subkey, REGSAM access) {
        status_ = RegOpenKeyExA(RootKey(root), Safe(subkey), 0, access, &key_);
    }
    ~OpenKey() {
        if (status_ == ERROR_SUCCESS) RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    bool ok() const { return status_ == ERROR_SUCCESS; }
    RegStatus failure() const {
        return status_ == ERROR_FILE_NOT_FOUND ? RegStatus::kNoKey : RegStatus::kFailed;
    }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
    LONG status_;
};

REGSAM Rights(RegAccess access) {
    return access == RegAccess::kAll ? kChangeAccess : kLookupAccess;
}

bool Win32KeyExists(RegRoot root, const char* subkey, RegAccess access) {
    return OpenKey(root, subkey, Rights(access)).ok();
}

RegStatus Win32QueryValue(RegRoot root, const char* subkey, const char* name, RegAccess access,
                          uint32_t* type, uint8_t* data, uint32_t* size) {
    OpenKey key(root, subkey, Rights(access));
    if (!key.ok()) return key.failure();
    DWORD storedType = 0;
    const DWORD capacity = size != nullptr ? *size : 0;
    DWORD bytes = capacity;
    // Windows takes a null buffer as a question for the size only.
    uint8_t* buffer = capacity > 0 ? data : nullptr;
    const LONG error =
        RegQueryValueExA(key.get(), Safe(name), nullptr, &storedType, buffer, &bytes);
    if (type != nullptr) *type = storedType;
    if (size != nullptr) *size = bytes;
    if (error == ERROR_SUCCESS && data != nullptr && buffer == nullptr && bytes > 0) {
        return RegStatus::kMoreData;
    }
    return FromError(error);
}

RegStatus Win32SetValue(RegRoot root, const char* subkey, const char* name, uint32_t type,
                        const uint8_t* data, uint32_t size) {
    HKEY key = nullptr;
    const LONG opened =
        RegCreateKeyExA(RootKey(root), Safe(subkey), 0, const_cast<char*>(""),
                        REG_OPTION_NON_VOLATILE, kChangeAccess, nullptr, &key, nullptr);
    if (opened != ERROR_SUCCESS) return RegStatus::kFailed;
    const LONG error = RegSetValueExA(key, Safe(name), 0, type, data, size);
    RegCloseKey(key);
    return error == ERROR_SUCCESS ? RegStatus::kOk : RegStatus::kFailed;
}

RegStatus Win32DeleteValue(RegRoot root, const char* subkey, const char* name) {
    OpenKey key(root, subkey, kChangeAccess);
    if (!key.ok()) return key.failure();
    return FromError(RegDeleteValueA(key.get(), Safe(name)));
}

RegStatus Win32DeleteKey(RegRoot root, const char* subkey) {
    if (*Safe(subkey) == '\0') return RegStatus::kNoKey;  // a root is never deleted
    const LONG error = RegDeleteKeyA(RootKey(root), subkey);
    if (error == ERROR_FILE_NOT_FOUND) return RegStatus::kNoKey;
    return error == ERROR_SUCCESS ? RegStatus::kOk : RegStatus::kFailed;
}

const RegistryMethods kWin32Registry = {Win32KeyExists, Win32QueryValue, Win32SetValue,
                                        Win32DeleteValue, Win32DeleteKey};
std::atomic<const RegistryMethods*> g_registry{&kWin32Registry};

}  // namespace

// The real registry is no file.
const char* RegistryFilePath() { return ""; }

const RegistryMethods& Registry() { return *g_registry.load(std::memory_order_acquire); }
void SetRegistryMethods(const RegistryMethods* methods) {
    g_registry.store(methods != nullptr ? methods : &kWin32Registry, std::memory_order_release);
}

}  // namespace txorb::platform
