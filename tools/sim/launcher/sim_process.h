// The virtual card as a child process: started in its own process group (so that the
// terminal's Ctrl-C reaches only this tool, which then stops the card in order), its pty path
// read from its first line of output, stopped with SIGTERM (it writes its pictures and log on
// the way out). The command-line tool and the end-to-end tests both run the card this way.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace txorb::cli {

// TXORB_SIM when set, else txorb-sim next to this program.
std::string FindSimulator();

class SimProcess {
public:
    // What Stop found: the exit status, 128 + the signal that ended it, or this when it had to
    // be killed (or never ran).
    static constexpr int kNoExit = -1;

    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts the program with these arguments and waits at most timeoutMs for the pty path.
    bool Start(const std::string& program, const std::vector<std::string>& args, int timeoutMs,
               std::string* error);
    const std::string& PtyPath() const { return ptyPath_; }
    void Signal(int signo) const;
    // SIGTERM, then waits at most timeoutMs for the exit (SIGKILL after that). True when it
    // exited by itself with status 0 or by the signal.
    bool Stop(int timeoutMs, std::string* error);
    int ExitCode() const { return exitCode_; }

private:
    pid_t Spawn(const std::string& program, const std::vector<std::string>& args, int outFd);
    std::string AwaitFirstLine(int timeoutMs);
    bool AwaitExit(int timeoutMs, int* status);
    void Drain(int fd);

    pid_t pid_ = -1;
    int pidfd_ = -1;
    int exitCode_ = kNoExit;
    std::string ptyPath_;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable gotLine_;
    bool lineDone_ = false;
    std::string firstLine_;
};

}  // namespace txorb::cli
