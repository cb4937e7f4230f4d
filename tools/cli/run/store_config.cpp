#include "cli/run/store_config.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "config/card_config.h"
#include "config/com_port_map.h"
#include "config/registry.h"
#include "platform/registry_store.h"
#include "txorb/txorb.h"

// Everything here goes through the library's own configuration readers, so that what the tool
// says about a card is what initialisation will do with it.
namespace txorb::cli {
namespace {

// The library's link timeout when "comm_timeout" is missing or 0.
constexpr uint32_t kDefaultTimeoutMs = 2000;
constexpr uint32_t kNoPort = 0xFFFF;
constexpr uint32_t kValueTextBytes = 260;  // room for any configuration text and its NUL
// Only for telling the user where a COM device came from.
constexpr const char* kComPortsKeyText = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB\\ComPorts";

std::string CardKeyPath(int card) { return "Software\\Zazave\\TX-ORB_Card" + std::to_string(card); }

std::string SerialPortText(int card) {
    char text[kValueTextBytes] = {};
    const std::string path = "HKLM\\" + CardKeyPath(card);
    if (!config::ReadRegistryString(path.c_str(), "serial_port", text, sizeof text)) return "";
    return text;
}

void ReadTimeoutAndCapture(CardConfig* c) {
    int32_t ms = 0;
    if (config::ReadCommTimeout(c->card, &ms) == TXORB_ERR_OK && ms != 0) {
        c->timeoutMs = static_cast<uint32_t>(ms);
        c->timeoutDefault = false;
    }
    char dumpFile[config::kDumpFileNameBytes];
    if (config::ReadDumpFileName(c->card, dumpFile) == TXORB_ERR_OK) c->captureFile = dumpFile;
}

void TakeParallelPorts(CardConfig* c, uint32_t base, uint32_t fifo, const char* note) {
    c->parallelPort = base;
    c->fifoPort = fifo;
    // The same test the library's card applies before it opens a parallel link.
    c->parallelLink = base > 0 && base < kNoPort;
    c->parallelNote = note;
}

// Fills in the COM port and the parallel link; false when initialisation would fail.
bool ReadLinks(CardConfig* c, int32_t serialPort) {
    uint32_t com = 0;
    uint32_t base = kNoPort;
    uint32_t fifo = kNoPort;
    switch (config::ClassifySerialPort(serialPort, &com)) {
        case config::SerialPortUse::kComAndParallel:
            c->comPort = com;
            c->comSource = "serial_port";
            if (config::ReadParallelPorts(c->card, &base, &fifo) == TXORB_ERR_OK) {
                TakeParallelPorts(c, base, fifo, "parallel_port and fifo_port");
            } else {
                c->parallelNote = "none configured";
            }
            return true;
        case config::SerialPortUse::kComOnly:
            c->comPort = com;
            c->comSource = "serial_port minus 40 (no parallel link)";
            c->parallelNote = "not used with this serial_port value";
            return true;
        case config::SerialPortUse::kDriverMap: {
            int32_t mapped = 0;
            if (const uint32_t code = config::ResolveSerialPortByDriver(c->card, &mapped);
                code != TXORB_ERR_OK) {
                c->failureCode = code;
                c->comSource = "the serial driver's device map names none for this card";
                return false;
            }
            c->comPort = static_cast<uint32_t>(mapped);
            c->comSource = "the serial driver's device map";
            if (config::ReadOrFindParallelPorts(c->card, &base, &fifo) == TXORB_ERR_OK) {
                TakeParallelPorts(
                    c, base, fifo,
                    "parallel_port and fifo_port, or the parallel driver's resources");
            } else {
                c->parallelNote = "none configured, none in the parallel driver's resources";
            }
            return true;
        }
        case config::SerialPortUse::kInvalid: break;
    }
    c->failureCode = TXORB_ERR_INVALID_SERIAL_PORT_NUMBER;
    return false;
}

void ReadComDevice(CardConfig* c) {
    c->comDevice = config::ComDevicePath(c->comPort);
    const std::string fallback = "/dev/ttyS" + std::to_string(c->comPort - 1);
    if (c->comDevice == fallback) {
        c->comDeviceSource = "default";
    } else {
        c->comDeviceSource =
            std::string(kComPortsKeyText) + " \"COM" + std::to_string(c->comPort) + "\"";
    }
}

bool WriteText(const std::string& path, const char* name, const std::string& value) {
    return config::WriteRegistryValue(path.c_str(), name, value.c_str(),
                                      static_cast<uint32_t>(value.size() + 1), platform::kRegSz);
}

}  // namespace

bool UseStoreForDevice(const std::string& dir, uint16_t card, const std::string& ptyPath,
                       const std::string& capturePath, std::string* error) {
    const std::string store = dir + "/registry.reg";
    std::remove(store.c_str());
    ::setenv("TXORB_REGISTRY", store.c_str(), 1);
    const std::string cardKey = "HKLM\\" + CardKeyPath(card);
    const uint32_t displayErrors = 1;
    const bool ok =
        config::WriteRegistryValue("HKLM\\SOFTWARE\\Zazave\\TX-ORB", "DisplayErrors",
                                   &displayErrors, sizeof displayErrors, platform::kRegDword) &&
        WriteText("HKLM\\SOFTWARE\\Zazave\\TX-ORB\\ComPorts", "COM1", ptyPath) &&
        WriteText(cardKey, "serial_port", "1") &&
        (capturePath.empty() || WriteText(cardKey, "CMD_dump_file", capturePath));
    if (!ok) *error = "cannot write " + store;
    return ok;
}

CardConfig ReadCardConfig(int card) {
    CardConfig c;
    c.card = card;
    c.storePath = platform::RegistryFilePath();
    struct stat st {};
    c.storeFound = ::stat(c.storePath.c_str(), &st) == 0;
    c.cardKey = CardKeyPath(card);
    c.timeoutMs = kDefaultTimeoutMs;
    c.pingAllowed = config::IsPingAllowed();
    ReadTimeoutAndCapture(&c);
    if (c.pingAllowed) {
        c.comSource = "found by searching the PCI buses and COM ports (ping_allowed)";
        return c;
    }
    int32_t serialPort = 0;
    if (const uint32_t code = config::ReadSerialPort(card, &serialPort); code != TXORB_ERR_OK) {
        c.failureCode = code;
        return c;
    }
    c.serialPortPresent = true;
    c.serialPortText = SerialPortText(card);
    if (ReadLinks(&c, serialPort) && c.comPort != 0) ReadComDevice(&c);
    return c;
}

}  // namespace txorb::cli
