#pragma once
// The velmar-fw command table. A new command is one .cpp file with its run function, a
// declaration below and one entry in command_table.cpp.

#include <span>

#include "cli/cli_common.h"
#include "cli/command_line.h"
#include "cli/command_options.h"

namespace velmar {
class PortDirectory;
}  // namespace velmar

namespace velmar::cli {

struct Command {
    const char* name;
    const char* synopsis;          // "info FILE"
    const char* summary;           // one line for the overview
    const char* details;           // shown by "velmar-fw CMD --help"
    int (*run)(const Args& args);  // kRunsInSerialProgram for the serial commands
    // Its table (command_options.h): what its reader takes, its help lists after `details`
    // and shell completion offers.
    OptionTable options = {};
    const char* notes = "";  // shown after the options
};

inline constexpr int (*kRunsInSerialProgram)(const Args&) = nullptr;

std::span<const Command> commandTable();

// Inspecting firmware files.
int runInfo(const Args& args);
int runDump(const Args& args);
int runChecksum(const Args& args);

// Talking to the radio: linked into velmar-fw-serial only, whose main makes `ports`.
int runWrite(const Args& args, PortDirectory& ports);
int runWriteEarlier(const Args& args, PortDirectory& ports);
int runPin(const Args& args, PortDirectory& ports);
// Reads the service log with Qt's JSON, so it runs there too.
int runLog(const Args& args);
int runPorts(const Args& args, PortDirectory& ports);

}  // namespace velmar::cli
