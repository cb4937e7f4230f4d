// The small subcommands: info, config, goto, stop and decode.
#pragma once

#include <cstdint>
#include <string>

#include "cli/mark_run.h"

namespace txorb::cli {

struct CardOptions {
    uint16_t card = 1;
    CardChoice choice = CardChoice::kAuto;
};

int RunInfo(const CardOptions& options);
int RunConfig(uint16_t card);
int RunGoto(const CardOptions& options, int16_t x, int16_t y);
int RunStop(const CardOptions& options);
int RunDecode(const std::string& capturePath, bool json);

}  // namespace txorb::cli
