// A shared object has no resource section, so the string table is an array built from the
// list of codes: the same ids and texts as the Windows string table.
#include <cstring>
#include <iterator>
#include <string_view>

#include "platform/string_table.h"
#include "txorb/txorb.h"

namespace txorb::platform {
namespace {

constexpr const char* kErrorTexts[] = {
#define TXORB_STRING_TABLE_ENTRY_(code, name, text) text,
    TXORB_ERROR_LIST(TXORB_STRING_TABLE_ENTRY_)
#undef TXORB_STRING_TABLE_ENTRY_
};

// The list is in code order from 0 with no gaps, so a text's index is its code.
#define TXORB_STRING_TABLE_ORDER_(code, name, text) \
    static_assert(std::string_view(kErrorTexts[code]) == text, "error list out of order");
TXORB_ERROR_LIST(TXORB_STRING_TABLE_ORDER_)
#undef TXORB_STRING_TABLE_ORDER_

}  // namespace

int LoadStringResource(unsigned id, char* buffer, int size) {
    if (buffer == nullptr || size < 1) return 0;
    buffer[0] = '\0';
    if (id < kErrorTextIdBase || id - kErrorTextIdBase >= std::size(kErrorTexts)) return 0;
    const char* text = kErrorTexts[id - kErrorTextIdBase];
    const size_t length = strnlen(text, static_cast<size_t>(size - 1));
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

}  // namespace txorb::platform
