// Starting, looping and stopping the card's lists, and switching the laser enable.
#pragma once

#include <cstdint>

#include "common/error_codes.h"
#include "common/wire_opcodes.h"

namespace txorb::commands {

// listIndex is the card's index of the list: 0 for list 1, 1 for list 2. A restart is the
// same command as a start.
ErrorCode ExecuteList(uint16_t listIndex);
ErrorCode SetStartList(uint16_t listIndex);
// A status exchange without payload (loop, laser enable, automatic list change).
ErrorCode SimpleCommand(uint8_t opcode);
// Sends the pending list records, then stops the card and drops whatever was appended in
// between. A failed stop send gives TXORB_ERR_COULD_NOT_SEND_TO_RTB, whatever the
// link said.
ErrorCode StopExecution(bool noClear);

}  // namespace txorb::commands
