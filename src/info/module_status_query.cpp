#include "info/module_status_query.h"

#include <cstring>

#include "link/card.h"
#include "link/card_table.h"
#include "link/exchange.h"
#include "link/port_driver.h"
#include "link/serial_link.h"

namespace txorb::info {
namespace {

constexpr size_t kPciHeaderBytes = 256;
constexpr size_t kDescriptorTableBytes = sizeof(link::LinkDescriptor) * link::kSlotCount;
static_assert(kDescriptorTableBytes == 220, "the table handed out is 220 bytes");

const link::LinkDescriptor* DescriptorRecord(int32_t index) {
    if (index < 0 || index > link::kLastSlot) return nullptr;
    return &link::DescriptorTable()[index];
}

// Queries that carry a plain number in a pointer parameter.
int32_t NumberIn(const int32_t* param) {
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(param));
}

int32_t CopyDescriptorTable(intptr_t address, int32_t count) {
    if (address == 0 || count <= 0) return 0;
    const size_t bytes = static_cast<size_t>(count) < kDescriptorTableBytes
                             ? static_cast<size_t>(count)
                             : kDescriptorTableBytes;
    std::memcpy(reinterpret_cast<void*>(address), link::DescriptorTable(), bytes);
    return 1;
}

}  // namespace

uint16_t SystemStatusWord() {
    link::Card* card = link::GetActiveCard();
    if (card == nullptr) return 1;
    uint32_t word = 1;
    word |= static_cast<uint32_t>(link::ActiveCardIndex()) << 1;
    word |= (card->SerialPortNumber() & 0xFFu) << 6;
    if (card->HasParallelLink()) word |= 0x200;
    return static_cast<uint16_t>(word);
}

int32_t StatusQuery(int32_t query, int32_t iparam, intptr_t lparam, int32_t* xparam,
                    int32_t* zparam) {
    switch (query) {
        case kQueryNoop1:
        case kQueryNoop2: return 1;
        case kQueryParallelPorts: {
            const link::LinkDescriptor* d = DescriptorRecord(iparam);
            if (d == nullptr) return 0;
            if (xparam != nullptr) *xparam = static_cast<int32_t>(d->parallelPort);
            if (zparam != nullptr) *zparam = static_cast<int32_t>(d->fifoPort);
            return 1;
        }
        case kQuerySerialPort: {
            const link::LinkDescriptor* d = DescriptorRecord(iparam);
            if (d == nullptr) return 0;
            if (xparam != nullptr) *xparam = static_cast<int32_t>(d->serialPort);
            return 1;
        }
        case kQueryPciConfig:
            return link::ReadPciConfig(iparam, static_cast<int32_t>(lparam), NumberIn(xparam),
                                       zparam, zparam != nullptr ? kPciHeaderBytes : 0)
                       ? 1
                       : 0;
        case kQueryDescriptorTable: return CopyDescriptorTable(lparam, NumberIn(xparam));
        case kQueryPingSerialPort:
            if (iparam < 1) return 0;
            return static_cast<int32_t>(link::PingSerialPort(static_cast<uint32_t>(iparam)));
        default: return 0;
    }
}

}  // namespace txorb::info
