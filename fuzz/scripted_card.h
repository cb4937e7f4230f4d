// A card in slot 1 on a serial port that lives only in memory: the fuzz targets fill in the
// port's write and read to script the card's side of the line.
#pragma once

#include <cstdint>

#include "link/card.h"
#include "link/card_table.h"
#include "platform/serial_port.h"

namespace txorb::fuzz {

// A port that opens, configures and purges without complaint and does nothing else.
inline platform::SerialPortMethods InertPortMethods() {
    platform::SerialPortMethods m = platform::NativeSerialPort();
    m.open = [](const char*) -> platform::SerialHandle { return 7; };
    m.close = [](platform::SerialHandle) {};
    m.configure = [](platform::SerialHandle) { return true; };
    m.setInitialLines = [](platform::SerialHandle) { return true; };
    m.purgeInput = [](platform::SerialHandle) { return true; };
    m.purgeOutput = [](platform::SerialHandle) { return true; };
    m.getDsr = [](platform::SerialHandle, bool* on) {
        *on = false;
        return true;
    };
    m.setDtr = [](platform::SerialHandle, bool) { return true; };
    return m;
}

// Installs methods (which must outlive the process) and an active card on COM comPort.
inline void InstallScriptedCard(const platform::SerialPortMethods* methods, uint32_t comPort,
                                uint32_t timeoutMs) {
    platform::SetSerialPortMethods(methods);
    const link::LinkDescriptor d = link::MakeDescriptor(0xFFFF, 0xFFFF, 0, comPort, 1, 1);
    link::ExchangeCardInSlot(1, new link::Card(d, timeoutMs, nullptr));
    link::StoreDescriptor(1, d);
    link::SetActiveCardIndex(1);
}

}  // namespace txorb::fuzz
