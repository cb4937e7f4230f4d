#include "cli/commands/card_commands.h"

#include <cstdio>
#include <iostream>

#include "cli/run/card_connection.h"
#include "cli/run/library_errors.h"
#include "cli/run/outcome.h"
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

ConnectionOptions Connecting(const CardOptions& o, const char* command) {
    ConnectionOptions c;
    c.card = o.card;
    c.choice = o.choice;
    c.command = command;
    return c;
}

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
    CardConnection connection(Connecting(options, "txorb info"));
    if (!connection.Open()) return kFailed;
    char hex[16];
    std::cout << "card:             " << options.card
              << (connection.UsesSimulator() ? " (the virtual card, txorb-sim)" : "") << "\n";
    std::cout << "card version:     " << Get_Version() << "\n";
    std::cout << "KRT1 version:     " << Get_KRT1_Version() << "\n";
    std::snprintf(hex, sizeof hex, "0x%08X", Get_Ident_Ex());
    std::cout << "identity:         " << hex << "\n";
    std::snprintf(hex, sizeof hex, "0x%04X", Read_Status());
    std::cout << "status word:      " << hex << "\n";
    std::snprintf(hex, sizeof hex, "0x%04X", Get_System_Status());
    std::cout << "system status:    " << hex << "\n";
    PrintDescriptors();
    return kDone;
}

int RunGoto(const CardOptions& options, int16_t x, int16_t y) {
    CardConnection connection(Connecting(options, "txorb goto"));
    if (!connection.Open()) return kFailed;
    if (!Goto_XY(x, y)) {
        std::cerr << "txorb goto: " << ExportFailure("Goto_XY") << "\n";
        return kFailed;
    }
    int16_t px = 0, py = 0;
    if (Get_XY_Pos(&px, &py)) std::cout << "position: x=" << px << " y=" << py << "\n";
    return kDone;
}

int RunStop(const CardOptions& options) {
    CardConnection connection(Connecting(options, "txorb stop"));
    if (!connection.Open()) return kFailed;
    if (!Stop_Execution()) {
        std::cerr << "txorb stop: " << ExportFailure("Stop_Execution") << "\n";
        return kFailed;
    }
    std::cout << "card " << options.card << " stopped\n";
    return kDone;
}

}  // namespace txorb::cli
