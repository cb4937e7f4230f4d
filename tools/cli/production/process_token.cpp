#include "cli/production/process_token.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

namespace txorb::cli {
namespace {

std::string FirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// Field 22 of /proc/PID/stat, the clock tick the process started at. The command name (field
// 2) is in parentheses and may hold spaces and parentheses itself, so fields count from the
// last ')'.
std::string StartTicks(int64_t pid) {
    const std::string stat = FirstLine("/proc/" + std::to_string(pid) + "/stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return {};
    std::istringstream rest(stat.substr(close + 1));
    std::string field;
    for (int i = 3; i <= 22 && rest >> field; ++i) {
        if (i == 22) return field;
    }
    return {};
}

}  // namespace

int64_t CurrentPid() { return static_cast<int64_t>(getpid()); }

std::string ProcessToken(int64_t pid) {
    const std::string boot = FirstLine("/proc/sys/kernel/random/boot_id");
    const std::string ticks = StartTicks(pid);
    if (boot.empty() || ticks.empty()) return {};
    return boot + "/" + ticks;
}

bool ProcessAlive(int64_t pid, const std::string& token) {
    if (pid <= 0 || pid > INT32_MAX) return false;
    if (!token.empty()) return ProcessToken(pid) == token;
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace txorb::cli
