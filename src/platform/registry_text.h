// The registry export format ("Windows Registry Editor Version 5.00" / "REGEDIT4"): parsing
// into a document and writing one back. Parsing never fails: malformed lines are skipped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_store.h"

namespace txorb::platform {

struct RegValue {
    std::string name;  // "" is the key's default value (@)
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

struct RegKey {
    RegRoot root = RegRoot::kLocalMachine;
    std::string path;  // below the root, without leading or trailing backslashes
    std::vector<RegValue> values;
};

struct RegDocument {
    std::vector<RegKey> keys;

    RegKey* FindKey(RegRoot root, std::string_view path);
    const RegKey* FindKey(RegRoot root, std::string_view path) const;
    bool KeyExists(RegRoot root, std::string_view path) const;
    bool HasSubkeys(RegRoot root, std::string_view path) const;
    RegKey& CreateKey(RegRoot root, std::string_view path);
};

RegDocument ParseRegistryText(std::string_view text);
std::string SerializeRegistry(const RegDocument& doc);

// Case-insensitive comparison of key and value names (ASCII letters).
bool EqualsNoCase(std::string_view a, std::string_view b);
// Strips leading and trailing backslashes.
std::string_view TrimKeyPath(std::string_view path);

}  // namespace txorb::platform
