// `txorb config`: what the registry store gives a card, read with the library's own readers.
#pragma once

#include <cstdint>

namespace txorb::cli {

// 0, or 1 when the card cannot be initialised from the store (the reason on standard error).
int RunConfig(uint16_t card);

}  // namespace txorb::cli
