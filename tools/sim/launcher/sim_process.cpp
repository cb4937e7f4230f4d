#include "sim/launcher/sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace txorb::cli {
namespace {

std::string ProgramDirectory() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string path(buf, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

std::string FindSimulator() {
    const char* env = std::getenv("TXORB_SIM");
    if (env != nullptr && *env != '\0') return env;
    return ProgramDirectory() + "/txorb-sim";
}

SimProcess::~SimProcess() {
    std::string ignored;
    Stop(3000, &ignored);
}

void SimProcess::Drain(int fd) {
    char buf[512];
    std::string line;
    bool first = true;
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (!first) continue;  // later output is not ours to show
        line.append(buf, static_cast<size_t>(n));
        const size_t nl = line.find('\n');
        if (nl != std::string::npos) {
            std::lock_guard<std::mutex> lock(mutex_);
            firstLine_ = line.substr(0, nl);
            lineDone_ = true;
            first = false;
            gotLine_.notify_all();
        }
    }
    ::close(fd);
    std::lock_guard<std::mutex> lock(mutex_);
    lineDone_ = true;
    gotLine_.notify_all();
}

pid_t SimProcess::Spawn(const std::string& program, const std::vector<std::string>& args,
                        int outFd) {
    std::vector<std::string> argvStore{program};
    argvStore.insert(argvStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argvStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();

    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    // Only async-signal-safe calls from here to exec.
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    ::dup2(outFd, STDOUT_FILENO);
    const int devnull = ::open("/dev/null", O_RDONLY);
    if (devnull >= 0) ::dup2(devnull, STDIN_FILENO);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGPIPE, SIG_DFL);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

std::string SimProcess::AwaitFirstLine(int timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    gotLine_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return lineDone_; });
    std::string line = firstLine_;
    lock.unlock();
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}

bool SimProcess::Start(const std::string& program, const std::vector<std::string>& args,
                       int timeoutMs, std::string* error) {
    if (::access(program.c_str(), X_OK) != 0) {
        *error = "cannot run the virtual card " + program + ": " + std::strerror(errno);
        return false;
    }
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    const pid_t pid = Spawn(program, args, out[1]);
    ::close(out[1]);
    if (pid < 0) {
        *error = std::string("fork: ") + std::strerror(errno);
        ::close(out[0]);
        return false;
    }
    pid_ = pid;
    exitCode_ = kNoExit;
    pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    reader_ = std::thread(&SimProcess::Drain, this, out[0]);

    const std::string line = AwaitFirstLine(timeoutMs);
    if (line.empty() || line[0] != '/') {
        *error = "the virtual card did not name its port";
        std::string ignored;
        Stop(2000, &ignored);
        return false;
    }
    ptyPath_ = line;
    return true;
}

void SimProcess::Signal(int signo) const {
    if (pid_ > 0) ::kill(pid_, signo);
}

// Reaps the child when it exits within timeoutMs; false (child still there) otherwise.
bool SimProcess::AwaitExit(int timeoutMs, int* status) {
    if (pidfd_ >= 0) {
        pollfd p{pidfd_, POLLIN, 0};
        int rc;
        do {
            rc = ::poll(&p, 1, timeoutMs);
        } while (rc < 0 && errno == EINTR);
        if (rc <= 0) return false;
    } else {
        // Without a process descriptor: look again every 20 ms until the time is up.
        for (int waited = 0;; waited += 20) {
            if (::waitpid(pid_, status, WNOHANG) == pid_) return true;
            if (waited >= timeoutMs) return false;
            ::usleep(20000);
        }
    }
    while (::waitpid(pid_, status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

bool SimProcess::Stop(int timeoutMs, std::string* error) {
    if (pid_ <= 0) return true;
    ::kill(pid_, SIGTERM);
    int status = 0;
    const bool exited = AwaitExit(timeoutMs, &status);
    if (!exited) {
        ::kill(pid_, SIGKILL);
        *error = "the virtual card did not exit in time and was killed";
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    pid_ = -1;
    if (pidfd_ >= 0) ::close(pidfd_);
    pidfd_ = -1;
    if (reader_.joinable()) reader_.join();
    if (!exited) return false;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const bool clean = (WIFEXITED(status) && WEXITSTATUS(status) == 0) ||
                       (WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    if (!clean) {
        *error = WIFEXITED(status)
                     ? "the virtual card exited with status " + std::to_string(WEXITSTATUS(status))
                     : "the virtual card died of signal " + std::to_string(WTERMSIG(status));
    }
    return clean;
}

}  // namespace txorb::cli
