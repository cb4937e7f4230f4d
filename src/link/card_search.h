// Finding a card without configuration: its interface function on the PCI buses, then the COM
// port on which it answers a status request sent over its parallel port.
#pragma once

#include <cstdint>

#include "common/error_codes.h"

namespace txorb::link {

// TXORB_ERR_OK with the card's two port bases and COM number, or
// TXORB_ERR_COULD_NOT_PING_SERIAL_PORT (both bases 0xFFFF) when none answers.
ErrorCode DiscoverCard(uint32_t* dataBase, uint32_t* fifoBase, uint32_t* comNumber);
// No initialised slot uses this data base, and none this FIFO base.
bool PortsNotInUse(uint32_t dataBase, uint32_t fifoBase);
// No slot uses this COM number.
bool ComPortNotInUse(uint32_t comNumber);

}  // namespace txorb::link
