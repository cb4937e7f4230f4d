// What is set on the card before the lists of a drawing: the mark and jump speeds, the delays
// the command line gives, and with --ramps the library's power and speed ramps.
#pragma once

#include <string>
#include <vector>

#include "cli/commands/mark_command.h"
#include "proto/packet.h"

namespace txorb::cli {

// False with "Set_Mark_Speed failed: ..." (ExportFailure) for the first call that fails.
bool SetCardTiming(const MarkOptions& options, std::string* failure);

// The packets those calls send (without ramps), for a card fed without the library.
std::vector<proto::Packet> CardTimingPackets(const MarkOptions& options);

}  // namespace txorb::cli
