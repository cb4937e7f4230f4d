// What is set on the card before the lists of a drawing: the mark and jump speeds, the delays
// the command line gives, and with --ramps the library's power and speed ramps.
#pragma once

#include <string>

#include "cli/commands/mark_command.h"

namespace txorb::cli {

// False with "Set_Mark_Speed failed: ..." (ExportFailure) for the first call that fails.
bool SetCardTiming(const MarkOptions& options, std::string* failure);

}  // namespace txorb::cli
