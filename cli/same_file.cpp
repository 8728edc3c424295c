#include "cli/same_file.h"

#include <sys/stat.h>

namespace velmar::cli {

namespace {

bool sameDevice(const NamedDevice& a, const NamedDevice& b) {
    if (a.device.empty() || b.device.empty())
        return a.device.empty() && b.device.empty() && a.label == b.label;
    // A device that is not there yet is still the same device when named alike.
    return a.device == b.device || namesSameFile(a.device, b.device);
}

}  // namespace

bool namesSameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

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
