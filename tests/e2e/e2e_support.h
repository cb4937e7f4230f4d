// End-to-end fixtures: the simulator as a child process in a directory of its own, the
// library loaded with dlopen (so that the port-driver module can be chosen before it loads),
// and a registry store written for the simulator's pty.
#pragma once

#include <dlfcn.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sim/launcher/sim_process.h"
#include "support/sim_control.h"
#include "support/test_env.h"
#include "txorb/txorb.h"

namespace txorb::e2e {

// The simulator as the command-line tool runs it, with its files in a directory of its own.
class SimUnderTest {
public:
    // Starts build/txorb-sim with --link, --socket, --log, --render and --disk inside a fresh
    // temporary directory, plus the extra arguments.
    explicit SimUnderTest(const std::vector<std::string>& extraArgs = {});
    ~SimUnderTest();
    SimUnderTest(const SimUnderTest&) = delete;
    SimUnderTest& operator=(const SimUnderTest&) = delete;

    bool Started() const { return started_; }
    const std::string& Dir() const { return dir_.Path(); }
    std::string Link() const { return dir_.File("tty"); }
    std::string Socket() const { return dir_.File("sim.sock"); }
    std::string Log() const { return dir_.File("log.jsonl"); }
    std::string Disk() const { return dir_.File("disk"); }
    std::string Pictures() const { return dir_.File("pic"); }
    const std::string& SlavePath() const { return process_.PtyPath(); }

    // Sends one control line and returns the answer line ("" when none came).
    std::string Control(const std::string& line) const { return test::SimControl(Socket(), line); }
    // SIGTERM, then waits (bounded); the exit status, or cli::SimProcess::kNoExit when it had
    // to be killed.
    int Stop();
    void Signal(int signo) const { process_.Signal(signo); }
    std::string ReadLog() const { return test::ReadFile(Log()); }

private:
    test::TempDir dir_;
    cli::SimProcess process_;
    bool started_ = false;
};

// The library, loaded once per process with TXORB_PORT_DRIVER naming the simulator's driver.
void* LibraryHandle();

template <typename F>
F Export(const char* name) {
    return reinterpret_cast<F>(dlsym(LibraryHandle(), name));
}

// The Read_Status bit that says a list is executing.
inline constexpr uint16_t kStatusBusy = 0x0001;
// The I/O port whose value sets the laser power (value / 65535).
inline constexpr uint16_t kPowerPort = 40;
// What a correction table holds, in bytes.
inline constexpr size_t kCorrectionTableBytes = 25350;

// Waits for Read_Status to drop the busy bit; false after timeoutMs.
bool WaitIdle(int timeoutMs);

// The JSON log's packets, as "opcode:link:payloadhex" strings, in order.
std::vector<std::string> LoggedPackets(const std::string& log);

}  // namespace txorb::e2e

// Calls an export of the loaded library with its declared type.
#define TX(name) (::txorb::e2e::Export<decltype(&::name)>(#name))
