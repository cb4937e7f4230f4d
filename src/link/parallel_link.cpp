#include "link/parallel_link.h"

#include "link/port_driver.h"

namespace txorb {

ParallelLink::ParallelLink(uint32_t dataBase, uint32_t fifoBase)
    : dataBase_(dataBase), fifoBase_(fifoBase) {
    EnableIoRange(dataBase_, 8, 8);
    EnableIoRange(fifoBase_, 8, 8);
    WritePortByte(fifoBase_ + 2, 0);
}

int32_t ParallelLink::Write(const uint8_t*, int32_t) { return 0; }

bool ParallelLink::SendPacket(uint8_t, const uint8_t*, uint16_t) { return false; }

}  // namespace txorb
