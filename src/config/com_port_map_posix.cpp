#include "config/com_port_map.h"

#include <vector>

#include "config/registry.h"

namespace txorb::config {

std::string ComDevicePath(uint32_t portNumber) {
    const std::string name = "COM" + std::to_string(portNumber);
    std::vector<char> buffer(4096);
    if (ReadRegistryString("HKLM\\SOFTWARE\\Zazave\\TX-ORB\\ComPorts", name.c_str(), buffer.data(),
                           static_cast<uint32_t>(buffer.size())) &&
        buffer[0] != '\0') {
        return std::string(buffer.data());
    }
    return "/dev/ttyS" + std::to_string(portNumber == 0 ? 0 : portNumber - 1);
}

}  // namespace txorb::config
