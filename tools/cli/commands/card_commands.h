// The commands that ask the card one thing: info, goto and stop, each on the card a
// CardConnection reaches.
#pragma once

#include <cstdint>

#include "cli/run/card_connection.h"

namespace txorb::cli {

struct CardOptions {
    uint16_t card = 1;
    CardChoice choice = CardChoice::kAuto;
};

int RunInfo(const CardOptions& options);
int RunGoto(const CardOptions& options, int16_t x, int16_t y);
int RunStop(const CardOptions& options);

}  // namespace txorb::cli
