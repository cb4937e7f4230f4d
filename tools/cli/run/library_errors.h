// Failures of the library's exports in words: its own message text and code.
#pragma once

#include <cstdint>
#include <string>

namespace txorb::cli {

// "error 45: Timed out waiting for response from RTB (communications error)."
std::string ErrorText(uint32_t code);
// "Set_Mark_Speed failed" and, when the library's last-error store holds a code, ": " and
// ErrorText of it.
std::string ExportFailure(const char* exportName);

}  // namespace txorb::cli
