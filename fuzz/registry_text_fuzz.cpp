// The registry store's text format: any bytes parse, and a document written back reads back
// as the same document (a store the library rewrites must not drift or lose values).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace txorb::platform;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const RegDocument doc = ParseRegistryText(text);
    const std::string once = SerializeRegistry(doc);
    const RegDocument again = ParseRegistryText(once);
    const std::string twice = SerializeRegistry(again);
    if (once != twice) __builtin_trap();
    // The lookups on whatever was parsed.
    for (const RegKey& key : doc.keys) {
        if (doc.FindKey(key.root, key.path) == nullptr) __builtin_trap();
        doc.HasSubkeys(key.root, key.path);
    }
    return 0;
}
