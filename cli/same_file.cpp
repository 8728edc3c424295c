#include "cli/same_file.h"

#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include "files/win_text.h"
#endif

namespace velmar::cli {

namespace {

std::filesystem::path fullPath(const std::string& name) {
    std::error_code error;
#ifdef _WIN32
    std::filesystem::path path = std::filesystem::weakly_canonical(widePath(name), error);
#else
    std::filesystem::path path = std::filesystem::weakly_canonical(name, error);
#endif
    return error ? std::filesystem::path() : path;
}

bool sameDevice(const NamedDevice& a, const NamedDevice& b) {
    if (a.device.empty() || b.device.empty())
        return a.device.empty() && b.device.empty() && a.label == b.label;
    // A device that is not there yet is still the same device when named alike.
    return a.device == b.device || namesSameFile(a.device, b.device);
}

}  // namespace

bool namesOneOutput(const std::string& a, const std::string& b) {
    if (namesSameFile(a, b)) return true;
    const std::filesystem::path first = fullPath(a);
    return !first.empty() && first == fullPath(b);
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
