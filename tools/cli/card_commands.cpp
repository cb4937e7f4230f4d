#include "cli/card_commands.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>

#include "cli/decode.h"
#include "cli/library_errors.h"
#include "sim/launcher/sim_process.h"
#include "cli/store_config.h"
#include "txorb/txorb.h"

namespace txorb::cli {
namespace {

constexpr int32_t kQueryLinkDescriptors = 239;
constexpr size_t kDescriptorBytes = 20;
constexpr size_t kSlots = 11;

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// An initialised card for the length of one subcommand: the virtual card first when asked
// for (or when the store names no port for the card), removal at the end.
class Connection {
public:
    explicit Connection(const CardOptions& o) : o_(o) {}
    ~Connection() {
        if (up_) Remove_Scan_Card_Ex(o_.card);
        if (sim_) {
            std::string ignored;
            sim_->Stop(10000, &ignored);
        }
        if (!dir_.empty()) {
            std::remove((dir_ + "/registry.reg").c_str());
            ::rmdir(dir_.c_str());
        }
    }

    bool Open(const char* who) {
        bool useSim = o_.choice == CardChoice::kSimulator;
        if (o_.choice == CardChoice::kAuto) {
            const CardConfig config = ReadCardConfig(o_.card);
            useSim = !config.pingAllowed && !config.serialPortPresent;
        }
        std::string error;
        if (useSim) {
            char templ[] = "/tmp/txorb-XXXXXX";
            if (::mkdtemp(templ) == nullptr) {
                std::cerr << "txorb " << who << ": cannot make a temporary directory\n";
                return false;
            }
            dir_ = templ;
            sim_ = std::make_unique<SimProcess>();
            if (!sim_->Start(FindSimulator(), {"--socket", dir_ + "/sim.sock"}, 10000, &error) ||
                !UseStoreForDevice(dir_, o_.card, sim_->PtyPath(), "", &error)) {
                std::cerr << "txorb " << who << ": " << error << "\n";
                return false;
            }
        }
        const uint32_t code = Init_Scan_Card_Ex(o_.card);
        if (code != 0) {
            std::cerr << "txorb " << who << ": cannot initialise card " << o_.card << ": "
                      << ErrorText(code) << "\n";
            return false;
        }
        up_ = true;
        return true;
    }

private:
    const CardOptions& o_;
    std::unique_ptr<SimProcess> sim_;
    std::string dir_;
    bool up_ = false;
};

void PrintDescriptors() {
    uint8_t table[kSlots * kDescriptorBytes] = {};
    const int32_t ok =
        DLL_Status_Query(kQueryLinkDescriptors, 0, reinterpret_cast<intptr_t>(table),
                         reinterpret_cast<int32_t*>(static_cast<intptr_t>(sizeof table)), nullptr);
    if (ok == 0) {
        std::cout << "link descriptors: not available\n";
        return;
    }
    std::cout << "link descriptors (DLL_Status_Query 239):\n"
              << "  slot  parallel  fifo    from-config  COM  from-config  in-use\n";
    for (size_t slot = 1; slot < kSlots; ++slot) {
        const uint8_t* d = table + slot * kDescriptorBytes;
        char line[128];
        std::snprintf(line, sizeof line, "  %-4zu  0x%04X    0x%04X  %-11d  %-3u  %-11d  %d\n",
                      slot, Le32(d), Le32(d + 4), d[8], Le32(d + 12), d[16], d[17]);
        std::cout << line;
    }
}

}  // namespace

int RunInfo(const CardOptions& options) {
    // Two numbers: the release of this library, and the file version that programs written for
    // the card check, (major * 10 + minor) * 100 + build.
    const uint16_t dll = Get_DLL_Version();
    std::cout << "library release:  " << txorb_library_version() << "\n";
    std::cout << "file version:     " << dll << " (" << dll / 1000 << "." << dll / 100 % 10 << "."
              << dll % 100 << ")\n";
    Connection connection(options);
    if (!connection.Open("info")) return 1;
    char hex[16];
    std::cout << "card:             " << options.card << "\n";
    std::cout << "card version:     " << Get_Version() << "\n";
    std::cout << "KRT1 version:     " << Get_KRT1_Version() << "\n";
    std::snprintf(hex, sizeof hex, "0x%08X", Get_Ident_Ex());
    std::cout << "identity:         " << hex << "\n";
    std::snprintf(hex, sizeof hex, "0x%04X", Read_Status());
    std::cout << "status word:      " << hex << "\n";
    std::snprintf(hex, sizeof hex, "0x%04X", Get_System_Status());
    std::cout << "system status:    " << hex << "\n";
    PrintDescriptors();
    return 0;
}

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

int RunGoto(const CardOptions& options, int16_t x, int16_t y) {
    Connection connection(options);
    if (!connection.Open("goto")) return 1;
    if (!Goto_XY(x, y)) {
        std::cerr << "txorb goto: " << ExportFailure("Goto_XY") << "\n";
        return 1;
    }
    int16_t px = 0, py = 0;
    if (Get_XY_Pos(&px, &py)) std::cout << "position: x=" << px << " y=" << py << "\n";
    return 0;
}

int RunStop(const CardOptions& options) {
    Connection connection(options);
    if (!connection.Open("stop")) return 1;
    if (!Stop_Execution()) {
        std::cerr << "txorb stop: " << ExportFailure("Stop_Execution") << "\n";
        return 1;
    }
    std::cout << "card " << options.card << " stopped\n";
    return 0;
}

int RunDecode(const std::string& capturePath, bool json) {
    std::ifstream in(capturePath, std::ios::binary);
    if (!in) {
        std::cerr << "txorb decode: cannot open " << capturePath << ": " << std::strerror(errno)
                  << "\n";
        return 1;
    }
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    const DecodeStats stats = DecodeCapture(bytes, json, std::cout);
    if (!json) {
        std::cout << stats.packets << " packets, " << stats.listPackets << " list packets, "
                  << stats.listRecords << " list records\n";
    }
    if (stats.trailingBytes != 0) {
        std::cerr << "txorb decode: " << capturePath << " ends inside a packet ("
                  << stats.trailingBytes << " bytes left over)\n";
        return 1;
    }
    return 0;
}

}  // namespace txorb::cli
