#include "cli/commands/config_command.h"

#include <cstdio>
#include <iostream>

#include "cli/run/library_errors.h"
#include "cli/run/store_config.h"

namespace txorb::cli {

int RunConfig(uint16_t card) {
    const CardConfig c = ReadCardConfig(card);
    std::cout << "registry store:   " << c.storePath << (c.storeFound ? "" : " (not found)")
              << "\n";
    std::cout << "card key:         HKEY_LOCAL_MACHINE\\" << c.cardKey << "\n";
    std::cout << "ping_allowed:     " << (c.pingAllowed ? "yes" : "no") << "\n";
    if (c.pingAllowed) {
        std::cout << "COM port:         " << c.comSource << "\n";
    } else if (!c.serialPortPresent) {
        std::cout << "serial_port:      missing\n";
    } else {
        std::cout << "serial_port:      \"" << c.serialPortText << "\"\n";
        if (c.comPort != 0) {
            std::cout << "COM port:         COM" << c.comPort << " (" << c.comSource << ")\n";
            std::cout << "COM device:       " << c.comDevice << " (" << c.comDeviceSource << ")\n";
        } else if (!c.comSource.empty()) {
            std::cout << "COM port:         none (" << c.comSource << ")\n";
        }
        if (c.comPort != 0) {
            char ports[64];
            if (c.parallelLink) {
                std::snprintf(ports, sizeof ports, "0x%X, FIFO port 0x%X", c.parallelPort,
                              c.fifoPort);
                std::cout << "parallel port:    " << ports << " (" << c.parallelNote << ")\n";
            } else {
                std::cout << "parallel port:    none (" << c.parallelNote << ")\n";
            }
        }
    }
    std::cout << "comm_timeout:     " << c.timeoutMs << " ms"
              << (c.timeoutDefault ? " (default)" : "") << "\n";
    std::cout << "CMD_dump_file:    " << (c.captureFile.empty() ? "none" : c.captureFile) << "\n";
    if (c.failureCode != 0) {
        std::cerr << "txorb config: card " << card
                  << " cannot be initialised from this store: " << ErrorText(c.failureCode) << "\n";
        return 1;
    }
    return 0;
}

}  // namespace txorb::cli
