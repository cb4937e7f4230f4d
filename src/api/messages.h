// Message lookup with its cache: the pointers handed out stay valid until the library unloads.
#pragma once

#include <cstdint>

namespace txorb::api {

inline constexpr const char* kNoModuleHandleText =
    "Invalid module instance handle for error messages!";
inline constexpr const char* kCouldNotLoadText = "Could not load error message string!";

const char* ErrorMessage(int32_t code);

}  // namespace txorb::api
