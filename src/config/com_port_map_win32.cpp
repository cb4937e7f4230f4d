// On Windows a COM port number is the device itself: the port's driver names it, and no
// configuration maps it anywhere else.
#include <string>

#include "config/com_port_map.h"

namespace txorb::config {

std::string ComDevicePath(uint32_t portNumber) { return "\\\\.\\COM" + std::to_string(portNumber); }

}  // namespace txorb::config
