#pragma once
// Whether two names lead to one file or device: the firmware and an output file, two --port
// values of one station. A symbolic link, a udev name or a port number is just another name.

#include <string>
#include <vector>

#include "files/file_identity.h"

namespace velmar::cli {

using velmar::namesSameFile;

// True when two output names lead to one file, whether or not it is there yet: by identity when
// both exist, else by the full path they spell with every link on the way resolved.
bool namesOneOutput(const std::string& a, const std::string& b);

// One --port of a station and the device it opens ("" when it has none).
struct NamedDevice {
    std::string label;
    std::string device;
};

// "--port A and --port B name the same device D" for the first port whose device an earlier
// one already opens, else "". Ports with nothing to open clash only when given alike.
std::string sharedDeviceRefusal(const std::vector<NamedDevice>& ports);

}  // namespace velmar::cli
