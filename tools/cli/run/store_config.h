// What the registry store says about one card: how the library will connect to it. Read with
// the library's own configuration readers, through the same registry store.
#pragma once

#include <cstdint>
#include <string>

namespace txorb::cli {

struct CardConfig {
    int card = 1;
    std::string storePath;  // TXORB_REGISTRY, else /etc/txorb/registry.reg
    bool storeFound = false;
    std::string cardKey;       // HKEY_LOCAL_MACHINE\Software\Zazave\TX-ORB_Card<N>
    bool pingAllowed = false;  // the card is found by searching instead
    bool serialPortPresent = false;
    std::string serialPortText;
    uint32_t comPort = 0;   // 0: none
    std::string comSource;  // how the COM number was found
    std::string comDevice;  // the device the COM number names
    std::string comDeviceSource;
    bool parallelLink = false;
    uint32_t parallelPort = 0xFFFF;
    uint32_t fifoPort = 0xFFFF;
    std::string parallelNote;
    uint32_t timeoutMs = 2000;
    bool timeoutDefault = true;
    std::string captureFile;  // empty: no capture
    // What initialisation would fail with: TXORB_ERR_SERIAL_PORT_KEY_NOT_FOUND,
    // TXORB_ERR_INVALID_SERIAL_PORT_NUMBER or the serial driver's device map's code; else
    // TXORB_ERR_OK.
    uint32_t failureCode = 0;
};

CardConfig ReadCardConfig(int card);

// Writes a store in dir that connects card N to the device at ptyPath as COM1 (with the
// capture file when one is named and error reports switched on) and points TXORB_REGISTRY at
// it; the library reads the store at every call.
bool UseStoreForDevice(const std::string& dir, uint16_t card, const std::string& ptyPath,
                       const std::string& capturePath, std::string* error);

}  // namespace txorb::cli
