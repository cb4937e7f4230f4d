// Which device a COM port number names on this host.
#pragma once

#include <cstdint>
#include <string>

namespace txorb::config {

// Windows: \\.\COM<n>. Elsewhere the REG_SZ value "COM<n>" under
// HKEY_LOCAL_MACHINE\SOFTWARE\Zazave\TX-ORB\ComPorts, else /dev/ttyS<n-1>.
std::string ComDevicePath(uint32_t portNumber);

}  // namespace txorb::config
