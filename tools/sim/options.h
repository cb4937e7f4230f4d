// Everything the command line can set.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "renderer.h"

namespace txorb::sim {

inline constexpr const char* kSocketEnv = "TXORB_SIM_SOCKET";
inline constexpr const char* kDefaultSocket = "/tmp/txorb-sim.sock";

struct Options {
    std::string link;    // symlink to the pty slave
    std::string render;  // picture prefix
    std::string log;     // JSON Lines file
    std::string disk;    // target disk directory; empty: in memory
    std::string socket;  // control and driver socket
    uint32_t baud = 0;   // 0: no line-rate pacing
    double timeScale = 1.0;
    std::vector<std::string> faults;
    RenderOptions renderOptions;
    double spotMm = 0.05;  // with bitsPerMm, gives renderOptions.spotBits
    double bitsPerMm = 600.0;
    int pciBus = 0;
    int pciDevice = 5;  // -1: no PCI function
    uint32_t parallelBase = 0xD000;
    uint32_t fifoBase = 0xD010;
    bool autoStart = false;        // Wait_For_External_Start does not wait
    double startEverySeconds = 0;  // the start input fires this often (simulated); 0: never
    size_t maxPictureMoves = 2000000;
};

// The socket path: the option, else TXORB_SIM_SOCKET, else the default.
std::string ResolveSocketPath(const std::string& fromOption);

}  // namespace txorb::sim
