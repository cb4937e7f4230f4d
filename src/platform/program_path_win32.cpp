#include <windows.h>

#include <string>

#include "platform/program_path.h"

namespace txorb::platform {

std::string ProgramDirectoryPath() {
    // The host program's own file: the module the process was started from.
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return std::string();
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768) return std::string();  // the longest path Windows allows
        path.resize(path.size() * 2);
    }
    const auto separator = path.find_last_of("\\/");
    if (separator == std::string::npos) return std::string();
    return path.substr(0, separator + 1);
}

}  // namespace txorb::platform
