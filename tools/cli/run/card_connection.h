// One way to reach a card for every command: the virtual card started as a child process (in
// a temporary directory of its own, with a registry store written once that names its pty), or
// the card the registry store names; the command capture; and the teardown in reverse order
// on every path out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/run/store_config.h"
#include "sim/launcher/sim_process.h"

namespace txorb::cli {

enum class CardChoice : uint8_t { kAuto, kSimulator, kRegistry };

struct ConnectionOptions {
    uint16_t card = 1;
    CardChoice choice = CardChoice::kAuto;  // kAuto: the virtual card when the store names no port
    std::string command = "txorb";          // what messages start with: "txorb mark"
    // Keep a command capture: capturePath, else the store's CMD_dump_file for a real card,
    // else a temporary file.
    bool capture = false;
    std::string capturePath;
};

class CardConnection {
public:
    // Reads the registry store once, when the choice needs it.
    explicit CardConnection(ConnectionOptions options);
    ~CardConnection();
    CardConnection(const CardConnection&) = delete;
    CardConnection& operator=(const CardConnection&) = delete;

    bool UsesSimulator() const { return useSim_; }
    // Starts the virtual card when it is used, with these arguments besides its socket; then
    // Initialise. Each is false with the reason printed.
    bool Start(const std::vector<std::string>& simArgs = {});
    bool Initialise();
    bool Open() { return Start() && Initialise(); }
    bool IsUp() const { return up_; }
    // Removes the card and stops the virtual card (which writes its pictures and log on the way
    // out); false, with the reason printed, when the virtual card could not write them.
    bool Close();

    const std::string& CapturePath() const { return capturePath_; }  // empty: none
    // The virtual card's control socket (sim_control.h) once it is started; else empty.
    std::string SimSocket() const {
        return useSim_ && !tempDir_.empty() ? tempDir_ + "/sim.sock" : "";
    }
    // Whether the capture holds the initialisation's packets too.
    bool HandshakeCaptured() const { return handshakeCaptured_; }

private:
    bool MakeTempDir();
    void CaptureRealCard();

    ConnectionOptions o_;
    CardConfig config_;  // read when the choice needs it
    bool useSim_ = false;
    std::string tempDir_;
    std::unique_ptr<SimProcess> sim_;
    bool up_ = false;
    std::string capturePath_;
    bool handshakeCaptured_ = false;
};

}  // namespace txorb::cli
