// Placeholder until the PCI search lands: no card is ever found.
#include "link/card_search.h"

namespace txorb {

ErrorCode DiscoverCard(uint32_t* dataBase, uint32_t* fifoBase, uint32_t* comNumber) {
    *dataBase = 0xFFFF;
    *fifoBase = 0xFFFF;
    *comNumber = 0;
    return err::kCouldNotPing;
}
bool PortsNotInUse(uint32_t, uint32_t) { return true; }
bool ComPortNotInUse(uint32_t) { return true; }

}  // namespace txorb
