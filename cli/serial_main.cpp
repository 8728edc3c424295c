// velmar-fw-serial: the velmar-fw commands that talk to the radio. velmar-fw checks the
// command and its --help and then hands the whole command line over to this program.
#include <clocale>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/program_start.h"
#include "cli/serial_handover.h"
#include "platform/qt/qt_serial_devices.h"

namespace {

struct SerialCommand {
    std::string_view name;
    int (*run)(const velmar::cli::Args& args, velmar::PortDirectory& ports);
};

constexpr SerialCommand kSerialCommands[] = {
    {"write", velmar::cli::runWrite},
    {"write-earlier", velmar::cli::runWriteEarlier},
    {"pin", velmar::cli::runPin},
    {"log", [](const velmar::cli::Args& args,
               velmar::PortDirectory&) { return velmar::cli::runLog(args); }},
    {"ports", velmar::cli::runPorts},
};

}  // namespace

int main(int argc, char** argv) {
    velmar::cli::startProgram(argc, argv);
    // The station's table measures names as the terminal's character set shows them.
    std::setlocale(LC_CTYPE, "");
    // One run detects the devices once, whichever commands and steps look them up.
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("%s %s\n", velmar::cli::kSerialProgramName, VELMAR_VERSION);
        return velmar::kExitOk;
    }
    velmar::SystemPorts ports;
    if (argc >= 2)
        for (const SerialCommand& command : kSerialCommands)
            if (command.name == argv[1])
                return command.run(velmar::cli::Args(argv + 2, argv + argc), ports.directory());
    std::fprintf(stderr,
                 "Usage: %s write|write-earlier|pin|log|ports ARGUMENTS\n"
                 "Runs the serial commands for velmar-fw; 'velmar-fw COMMAND --help' describes "
                 "them.\n",
                 velmar::cli::kSerialProgramName);
    return velmar::kExitUsage;
}
