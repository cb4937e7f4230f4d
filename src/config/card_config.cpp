#include "config/card_config.h"

#include <cstdio>
#include <cstring>

#include "config/config_parsing.h"
#include "config/registry.h"
#include "platform/registry_store.h"

namespace txorb::config {
namespace {

using platform::RegRoot;
using platform::RegStatus;

constexpr uint32_t kValueBytes = 259;     // what one configuration text may occupy
constexpr uint32_t kResourceBytes = 144;  // enough for a list with four partial descriptors
constexpr const char* kSerialMapKey = "Hardware\\Devicemap\\SERIALCOMM";
constexpr const char* kLoadedParallelKey =
    "HARDWARE\\RESOURCEMAP\\LOADED PARALLEL DRIVER RESOURCES\\oxpar";
constexpr const char* kParallelEnumKey = "SYSTEM\\CurrentControlSet\\Services\\Oxpar\\Enum";

struct CardKey {
    char text[64];
    explicit CardKey(int card) {
        std::snprintf(text, sizeof text, "Software\\Zazave\\TX-ORB_Card%d", card);
    }
};

// One configuration text. queried: the store answered with the value (any type, any length
// that fits). present: it is a non-empty REG_SZ. text is always NUL-terminated.
struct TextValue {
    bool queried = false;
    bool present = false;
    char text[kValueBytes + 1] = {};
};

// A store that cannot even be read (or runs out of memory) means the value is missing.
TextValue QueryText(const char* subkey, const char* name) noexcept {
    TextValue v;
    try {
        uint32_t type = 0;
        uint32_t size = kValueBytes;
        const RegStatus status = platform::Registry().queryValue(
            RegRoot::kLocalMachine, subkey, name, platform::RegAccess::kRead, &type,
            reinterpret_cast<uint8_t*>(v.text), &size);
        if (status != RegStatus::kOk) return v;
        v.queried = true;
        v.text[size < kValueBytes ? size : kValueBytes] = '\0';
        v.present = type == platform::kRegSz && v.text[0] != '\0';
    } catch (...) {
        v = TextValue{};
    }
    return v;
}

// A resource list of any type; bytes the store did not fill stay zero.
bool QueryResourceList(const char* subkey, const char* name,
                       uint8_t (&data)[kResourceBytes]) noexcept {
    std::memset(data, 0, sizeof data);
    try {
        uint32_t type = 0;
        uint32_t size = kResourceBytes;
        const RegStatus status = platform::Registry().queryValue(
            RegRoot::kLocalMachine, subkey, name, platform::RegAccess::kRead, &type, data, &size);
        if (status == RegStatus::kOk) return true;
    } catch (...) {
    }
    std::memset(data, 0, sizeof data);
    return false;
}

bool KeyExists(const char* subkey) noexcept {
    try {
        return platform::Registry().keyExists(RegRoot::kLocalMachine, subkey,
                                              platform::RegAccess::kRead);
    } catch (...) {
        return false;
    }
}

}  // namespace

ErrorCode ReadSerialPort(int card, int32_t* com) {
    *com = 0;
    const TextValue v = QueryText(CardKey(card).text, "serial_port");
    if (!v.present) return err::kSerialKeyNotFound;
    *com = ParseDecimal(v.text);
    return err::kOk;
}

ErrorCode ResolveSerialPortByDriver(int card, int32_t* com) {
    *com = 0;
    if (!KeyExists(kSerialMapKey)) return err::kSerialKeyNotFound;
    const int index = 2 * card - 2;
    char name[48];
    std::snprintf(name, sizeof name, "Oxser%d", index);
    TextValue v = QueryText(kSerialMapKey, name);
    if (!v.present) {
        std::snprintf(name, sizeof name, "\\Device\\Oxser%d", index);
        v = QueryText(kSerialMapKey, name);
    }
    if (!v.present) return err::kSerialKeyNotFound;
    // "COM12": the number after the first three characters.
    *com = std::strlen(v.text) > 3 ? ParseDecimal(v.text + 3) : 0;
    return err::kOk;
}

ErrorCode ReadParallelPorts(int card, uint32_t* base, uint32_t* fifoBase) {
    *base = 0xFFFF;
    const CardKey key(card);
    const TextValue parallel = QueryText(key.text, "parallel_port");
    if (!parallel.queried) return err::kParallelKeyNotFound;
    if (parallel.present) ParseHexNumber(parallel.text, base);
    const TextValue fifo = QueryText(key.text, "fifo_port");
    if (!fifo.present) return err::kParallelKeyNotFound;
    ParseHexNumber(fifo.text, fifoBase);
    return err::kOk;
}

ErrorCode FindParallelResources(int card, uint32_t* base, uint32_t* fifoBase) {
    *base = 0xFFFF;
    *fifoBase = 0xFFFF;
    uint8_t list[kResourceBytes];
    if (KeyExists(kLoadedParallelKey)) {
        char name[64];
        std::snprintf(name, sizeof name, "%s%d%s", "\\Device\\ParallelPort", card - 1, ".Raw");
        if (QueryResourceList(kLoadedParallelKey, name, list)) {
            ParseResourceListPorts(list, sizeof list, base, fifoBase);
            return err::kOk;
        }
    }
    if (!KeyExists(kParallelEnumKey)) return err::kParallelKeyNotFound;
    char index[16];
    std::snprintf(index, sizeof index, "%d", card - 1);
    const TextValue instance = QueryText(kParallelEnumKey, index);
    if (!instance.present) return err::kParallelKeyNotFound;
    char path[kValueBytes + 1];
    FirstWord(instance.text, path, sizeof path);
    char logConf[sizeof path + 64];
    std::snprintf(logConf, sizeof logConf, "%s%s%s", "SYSTEM\\CurrentControlSet\\Enum\\", path,
                  "\\LogConf");
    if (!QueryResourceList(logConf, "BootConfig", list)) return err::kParallelKeyNotFound;
    ParseBootConfigPorts(list, sizeof list, base, fifoBase);
    return err::kOk;
}

ErrorCode ReadCommTimeout(int card, int32_t* ms) {
    *ms = 0;
    const TextValue v = QueryText(CardKey(card).text, "comm_timeout");
    if (!v.present) return err::kSerialKeyNotFound;
    *ms = ParseDecimal(v.text);
    return err::kOk;
}

ErrorCode ReadDumpFileName(int card, char* buffer) {
    buffer[0] = '\0';
    char path[80];
    std::snprintf(path, sizeof path, "HKLM\\Software\\Zazave\\TX-ORB_Card%d", card);
    char name[kDumpFileNameBytes] = {};
    bool read = false;
    try {
        read = ReadRegistryString(path, "CMD_dump_file", name, sizeof name);
    } catch (...) {
        read = false;
    }
    if (!read || name[0] == '\0') return err::kFunctionCallFailed;
    std::memcpy(buffer, name, sizeof name);
    buffer[kDumpFileNameBytes - 1] = '\0';
    return err::kOk;
}

SerialPortUse ClassifySerialPort(int32_t value, uint32_t* com) {
    *com = 0;
    if (value >= 1 && value <= 19) {
        *com = static_cast<uint32_t>(value);
        return SerialPortUse::kComAndParallel;
    }
    if (value >= 41 && value <= 59) {
        *com = static_cast<uint32_t>(value - 40);
        return SerialPortUse::kComOnly;
    }
    if (value == 0 || value == 25) return SerialPortUse::kDriverMap;
    return SerialPortUse::kInvalid;
}

ErrorCode ReadOrFindParallelPorts(int card, uint32_t* base, uint32_t* fifoBase) {
    if (ReadParallelPorts(card, base, fifoBase) == err::kOk && *base != 0) return err::kOk;
    return FindParallelResources(card, base, fifoBase);
}

bool IsPingAllowed() {
    if (!KeyExists("Software\\Zazave\\")) return false;
    const TextValue v = QueryText("Software\\Zazave\\", "ping_allowed");
    if (!v.present) return false;
    const char* p = v.text;
    return (p[0] | 0x20) == 'y' && (p[1] | 0x20) == 'e' && (p[2] | 0x20) == 's' && p[3] == '\0';
}

}  // namespace txorb::config
