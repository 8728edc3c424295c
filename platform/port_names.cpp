#include "platform/port_names.h"

#include <cstdlib>

namespace velmar {

std::string portDeviceName(int16_t port) {
    if (port <= 0) return {};
    const std::string number = std::to_string(port);
    // Lets a USB adapter or a pseudo-terminal stand in for a numbered port.
    if (const char* mapped = std::getenv(("VELMAR_COM" + number).c_str());
        mapped != nullptr && *mapped != '\0')
        return mapped;
#ifdef _WIN32
    return "COM" + number;
#else
    return "/dev/ttyS" + std::to_string(port - 1);
#endif
}

}  // namespace velmar
