// The names of the error codes, as txorb_error_name gives them. The texts are the string
// table's (platform/string_table.h); both come from the one list in txorb.h.
#pragma once

#include <cstdint>

namespace txorb::api {

// The name of a code without the TXORB_ERR_ prefix ("NO_CARD_ACTIVE"), or null for a code the
// list does not hold. The text is static.
const char* ErrorName(uint32_t code);

}  // namespace txorb::api
