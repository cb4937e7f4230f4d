#include "pci_identity.h"

#include <cstddef>

namespace txorb::sim {
namespace {

void Put16(std::array<uint8_t, 256>* h, size_t at, uint16_t v) {
    (*h)[at] = static_cast<uint8_t>(v);
    (*h)[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::array<uint8_t, 256>* h, size_t at, uint32_t v) {
    Put16(h, at, static_cast<uint16_t>(v));
    Put16(h, at + 2, static_cast<uint16_t>(v >> 16));
}

}  // namespace

bool PciConfigHeader(const PciPlacement& placement, int bus, int slot,
                     std::array<uint8_t, 256>* header) {
    const int device = slot % 32;
    const int function = slot / 32;
    if (placement.device < 0 || bus != placement.bus || device != placement.device ||
        function > 1) {
        return false;
    }
    header->fill(0);
    Put16(header, 0, kPciVendor);
    Put16(header, 2, function == 1 ? kPciDevice : kPciSerialDevice);
    Put16(header, 4, 0x0001);                     // I/O space enabled
    (*header)[8] = 0x01;                          // revision
    (*header)[10] = function == 1 ? 0x01 : 0x00;  // subclass: parallel port / serial port
    (*header)[11] = 0x07;                         // class: communication controller
    (*header)[14] = 0x80;                         // multi-function device
    if (function == 1) {
        Put32(header, 16, placement.parallelBase | 1);
        Put32(header, 20, placement.fifoBase | 1);
    } else {
        Put32(header, 16, 0xC001);
    }
    Put16(header, 44, kPciVendor);
    Put16(header, 46, 0x0001);
    (*header)[61] = 0x01;  // interrupt pin A
    return true;
}

}  // namespace txorb::sim
