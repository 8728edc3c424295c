// velmar-fw pin: the port pin service command, printing the word the window's result box shows.

#include <cstdio>

#include "cli/command_options.h"
#include "cli/commands.h"
#include "cli/serial_options.h"
#include "cli/serial_port_use.h"
#include "link/loader_link.h"
#include "platform/qt/qt_event_wait.h"
#include "platform/qt/system_serial_control.h"
#include "protocol/pin_text.h"
#include "protocol/port_pin.h"

namespace velmar::cli {

namespace {

std::optional<PinOperation> operationNamed(const std::string& name) {
    if (name == "low") return PinOperation::DriveLow;
    if (name == "high") return PinOperation::DriveHigh;
    if (name == "input") return PinOperation::Input;
    if (name == "read") return PinOperation::Read;
    return std::nullopt;
}

}  // namespace

namespace {
const SerialCommandSyntax kPinSyntax = {.options = kPinOptions};
}  // namespace

int runPin(const Args& args, PortDirectory& ports) {
    const SerialCommandOptionsResult parsed = parseSerialCommandOptions(args, kPinSyntax);
    if (!parsed.error.empty()) return usageError("pin", parsed.error);
    const SerialCommandOptions& options = parsed.options;
    const auto pinText = options.own.find("--pin");
    if (pinText == options.own.end()) return usageError("pin", "expects --pin TEXT");
    const auto opName = options.own.find("--op");
    const auto operation = operationNamed(opName == options.own.end() ? "read" : opName->second);
    if (!operation)
        return usageError("pin",
                          "--op takes low, high, input or read, not \"" + opName->second + "\"");

    if (const auto control = firstControlCharacter(pinText->second)) {
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(*control));
        return usageError("pin", std::string("the pin text holds the control character ") + code +
                                     "; nothing was sent");
    }

    ensureApplication();
    SystemSerialControl serial(ports);
    if (!aimAtPort(serial, "pin", options.devicePath, options.portNumber)) return kExitUsage;
    QtEventWait wait;
    LoaderLink link(serial, wait);

    const PinResult code =
        controlPortPin(link, options.settings, pinText->second, *operation, options.portNumber);
    std::printf("%s\n", pinResultText(code).c_str());
    std::fflush(stdout);
    switch (code) {
        case pin_result::kOk:
        case pin_result::kOutputLow:
        case pin_result::kOutputHigh:
        case pin_result::kInputLow:
        case pin_result::kInputHigh:
            return kExitOk;
        case pin_result::kNg:
            return kExitPinRefused;
        default:
            explainSerialFailure("pin", serial.deviceName(), link, StepFamily::PortPin,
                                 options.devicePath, options.portNumber);
            return kExitPinUnknown;
    }
}

}  // namespace velmar::cli
