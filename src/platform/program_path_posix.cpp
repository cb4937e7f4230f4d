#include <cstdio>
#include <string>

#include "platform/program_path.h"

namespace txorb::platform {

std::string ProgramDirectoryPath() {
    // argv[0] as the kernel keeps it: the first NUL-terminated word of /proc/self/cmdline.
    std::string first;
    if (FILE* f = std::fopen("/proc/self/cmdline", "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF && c != '\0' && first.size() < 4096) {
            first.push_back(static_cast<char>(c));
        }
        std::fclose(f);
    }
    const auto slash = first.find_last_of('/');
    if (slash == std::string::npos) return std::string();
    return first.substr(0, slash + 1);
}

}  // namespace txorb::platform
