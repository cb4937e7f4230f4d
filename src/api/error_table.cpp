#include "api/error_table.h"

#include <iterator>
#include <string_view>

#include "txorb/txorb.h"

namespace txorb::api {
namespace {

constexpr const char* kNames[] = {
#define TXORB_ERROR_NAME_ENTRY_(code, name, text) #name,
    TXORB_ERROR_LIST(TXORB_ERROR_NAME_ENTRY_)
#undef TXORB_ERROR_NAME_ENTRY_
};

// The list is in code order from 0 with no gaps, so a name's index is its code.
#define TXORB_ERROR_NAME_ORDER_(code, name, text) \
    static_assert(std::string_view(kNames[code]) == #name, "error list out of order");
TXORB_ERROR_LIST(TXORB_ERROR_NAME_ORDER_)
#undef TXORB_ERROR_NAME_ORDER_

}  // namespace

const char* ErrorName(uint32_t code) {
    if (code >= std::size(kNames)) return nullptr;
    return kNames[code];
}

}  // namespace txorb::api
