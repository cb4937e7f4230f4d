#include "cli/run/library_errors.h"

#include "txorb/txorb.h"

namespace txorb::cli {

std::string ErrorText(uint32_t code) {
    const char* text = Get_Error_Message(static_cast<int32_t>(code));
    return "error " + std::to_string(code) + ": " + (text != nullptr ? text : "");
}

std::string ExportFailure(const char* exportName) {
    std::string s = std::string(exportName) + " failed";
    // Most failures do not reach the last-error store (only a missing card and a few queries
    // do); the library's own report names the others when "DisplayErrors" is 1.
    const uint32_t code = Get_Last_Error_Code();
    if (code != 0) s += ": " + ErrorText(code);
    return s;
}

}  // namespace txorb::cli
