#include "cli/store_config.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/registry_text.h"

namespace txorb::cli {
namespace {

using platform::RegDocument;
using platform::RegKey;
using platform::RegRoot;

const char* kComPortsKey = "SOFTWARE\\Zazave\\TX-ORB\\ComPorts";

// A REG_SZ value's text, or false when it is absent, of another type or empty.
bool ReadString(const RegDocument& doc, const std::string& key, const std::string& name,
                std::string* out) {
    const RegKey* k = doc.FindKey(RegRoot::kLocalMachine, key);
    if (k == nullptr) return false;
    for (const platform::RegValue& v : k->values) {
        if (!platform::EqualsNoCase(v.name, name)) continue;
        if (v.type != platform::kRegSz) return false;
        std::string s;
        for (const uint8_t b : v.data) {
            if (b == 0) break;
            s += static_cast<char>(b);
        }
        *out = s;
        return !s.empty();
    }
    return false;
}

// A standard hexadecimal stream extraction: "378" is 0x378; text that is not a number keeps
// the value as it was.
void ParseHex(const std::string& text, uint32_t* value) {
    std::istringstream in(text);
    unsigned long v = 0;
    if (in >> std::hex >> v) *value = static_cast<uint32_t>(v);
}

std::string RegString(const std::string& s) {
    std::string out;
    for (const char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

}  // namespace

bool UseStoreForDevice(const std::string& dir, uint16_t card, const std::string& ptyPath,
                       const std::string& capturePath, std::string* error) {
    const std::string store = dir + "/registry.reg";
    std::ofstream reg(store);
    reg << "Windows Registry Editor Version 5.00\n\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB]\n\"DisplayErrors\"=dword:00000001\n\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB\\ComPorts]\n"
        << "\"COM1\"=\"" << RegString(ptyPath) << "\"\n\n"
        << "[HKEY_LOCAL_MACHINE\\Software\\Zazave\\TX-ORB_Card" << card << "]\n"
        << "\"serial_port\"=\"1\"\n";
    if (!capturePath.empty()) reg << "\"CMD_dump_file\"=\"" << RegString(capturePath) << "\"\n";
    reg.close();
    if (!reg) {
        *error = "cannot write " + store;
        return false;
    }
    ::setenv("TXORB_REGISTRY", store.c_str(), 1);
    return true;
}

std::string RegistryStorePath() {
    const char* env = std::getenv("TXORB_REGISTRY");
    return (env != nullptr && *env != '\0') ? env : "/etc/txorb/registry.reg";
}

int32_t ParseDecimal(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t v = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && v < (1LL << 32)) {
        v = v * 10 + (text[i++] - '0');
    }
    return static_cast<int32_t>(negative ? -v : v);
}

CardConfig ReadCardConfig(int card) {
    CardConfig c;
    c.card = card;
    c.storePath = RegistryStorePath();
    c.cardKey = "Software\\Zazave\\TX-ORB_Card" + std::to_string(card);
    RegDocument doc;
    {
        std::ifstream in(c.storePath, std::ios::binary);
        if (in) {
            std::ostringstream text;
            text << in.rdbuf();
            doc = platform::ParseRegistryText(text.str());
            c.storeFound = true;
        }
    }
    std::string text;
    c.pingAllowed = ReadString(doc, "Software\\Zazave", "ping_allowed", &text) &&
                    platform::EqualsNoCase(text, "yes");

    if (ReadString(doc, c.cardKey, "comm_timeout", &text)) {
        const int32_t ms = ParseDecimal(text);
        if (ms != 0) {
            c.timeoutMs = static_cast<uint32_t>(ms);
            c.timeoutDefault = false;
        }
    }
    ReadString(doc, c.cardKey, "CMD_dump_file", &c.captureFile);

    if (c.pingAllowed) {
        c.comSource = "found by searching the PCI buses and COM ports (ping_allowed)";
        return c;
    }
    c.serialPortPresent = ReadString(doc, c.cardKey, "serial_port", &c.serialPortText);
    if (!c.serialPortPresent) {
        c.failureCode = 32;
        return c;
    }
    const int32_t v = ParseDecimal(c.serialPortText);
    bool readParallel = false;
    if (v >= 1 && v <= 19) {
        c.comPort = static_cast<uint32_t>(v);
        c.comSource = "serial_port";
        readParallel = true;
    } else if (v >= 41 && v <= 59) {
        c.comPort = static_cast<uint32_t>(v - 40);
        c.comSource = "serial_port minus 40 (no parallel link)";
    } else if (v == 0 || v == 25) {
        const std::string index = std::to_string(2 * card - 2);
        std::string mapped;
        if (ReadString(doc, "Hardware\\Devicemap\\SERIALCOMM", "Oxser" + index, &mapped) ||
            ReadString(doc, "Hardware\\Devicemap\\SERIALCOMM", "\\Device\\Oxser" + index,
                       &mapped)) {
            c.comPort = static_cast<uint32_t>(ParseDecimal(mapped.size() > 3 ? mapped.substr(3) : ""));
            c.comSource = "serial driver map (Oxser" + index + " = " + mapped + ")";
            readParallel = true;
        } else {
            c.failureCode = 32;
            c.comSource = "serial driver map has no Oxser" + index;
            return c;
        }
    } else {
        c.failureCode = 34;
        return c;
    }
    if (readParallel) {
        std::string parallel, fifo;
        const bool hasParallel = ReadString(doc, c.cardKey, "parallel_port", &parallel);
        const bool hasFifo = ReadString(doc, c.cardKey, "fifo_port", &fifo);
        if (hasParallel && hasFifo) {
            ParseHex(parallel, &c.parallelPort);
            ParseHex(fifo, &c.fifoPort);
            c.parallelLink = c.parallelPort > 0 && c.parallelPort < 0xFFFF;
            c.parallelNote = "parallel_port and fifo_port";
        } else {
            c.parallelNote = v == 0 || v == 25 ? "none configured (the parallel driver's resources "
                                                 "are searched on the card's host)"
                                               : "none configured";
        }
    } else {
        c.parallelNote = "not used with this serial_port value";
    }
    if (ReadString(doc, kComPortsKey, "COM" + std::to_string(c.comPort), &c.comDevice)) {
        c.comDeviceSource = std::string("HKEY_LOCAL_MACHINE\\") + kComPortsKey + " \"COM" +
                            std::to_string(c.comPort) + "\"";
    } else {
        c.comDevice = "/dev/ttyS" + std::to_string(c.comPort - 1);
        c.comDeviceSource = "default";
    }
    return c;
}

}  // namespace txorb::cli
