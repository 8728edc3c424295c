#include "wording/device_words.h"

namespace velmar {

namespace {

// The Device Manager's problem codes a serial adapter shows most.
std::string problemText(uint32_t code) {
    std::string what;
    switch (code) {
        case 1:
            what = "it is not configured";
            break;
        case 10:
            what = "the device cannot start";
            break;
        case 22:
            what = "it is disabled";
            break;
        case 28:
            what = "no driver is installed for it";
            break;
        case 31:
        case 39:
            what = "its driver could not be loaded";
            break;
        case 43:
            what = "Windows stopped it after it reported problems";
            break;
        case 52:
            what = "its driver's signature could not be verified";
            break;
        default:
            what = "its driver reports a problem";
            break;
    }
    return what + " (Device Manager: Code " + std::to_string(code) + ")";
}

}  // namespace

std::string describeDevice(const SerialDeviceInfo& device) {
    std::string text = deviceSummary(device);
    const auto add = [&](const std::string& part) {
        if (!text.empty()) text += ", ";
        text += part;
    };
    if (device.kind == DeviceKind::Bluetooth)
        add("Bluetooth: opening it connects to the paired device");
    if (device.driverProblem) add("present but not working: " + problemText(*device.driverProblem));
    return text;
}

std::string driverProblemAdvice(const SerialDeviceInfo& device) {
    const uint32_t code = device.driverProblem.value_or(0);
    const std::string start = device.path + " is present but not working: " + problemText(code);
    if (code == 22) return start + "; enable it in the Device Manager";
    return start +
           "; install the driver from the adapter's maker, or use another adapter (a maker's "
           "newer drivers refuse a counterfeit chip)";
}

}  // namespace velmar
