#include "cli/same_file.h"

namespace velmar::cli {

namespace {

bool sameDevice(const NamedDevice& a, const NamedDevice& b) {
    if (a.device.empty() || b.device.empty())
        return a.device.empty() && b.device.empty() && a.label == b.label;
    // A device that is not there yet is still the same device when named alike.
    return a.device == b.device || namesSameFile(a.device, b.device);
}

}  // namespace

std::string sharedDeviceRefusal(const std::vector<NamedDevice>& ports) {
    for (std::size_t i = 0; i < ports.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (sameDevice(ports[j], ports[i]))
                return "--port " + ports[j].label + " and --port " + ports[i].label +
                       " name the same device " +
                       (ports[i].device.empty() ? ports[i].label : ports[i].device);
    return {};
}

}  // namespace velmar::cli
