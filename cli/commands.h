#pragma once
// The velmar-fw command table. A new command is one .cpp file with its run function, a
// declaration below and one entry in command_table.cpp.

#include <span>

#include "cli/cli_common.h"
#include "cli/command_line.h"

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
    // The options its reader knows, which shell completion offers; the serial program lists
    // those of its own commands.
    std::span<const OptionName> options = {};
};

// The options of the commands whose readers take plain option lists.
inline constexpr OptionName kInfoOptions[] = {{"--json", false}};
inline constexpr OptionName kLogOptions[] = {{"-n,--last", true}, {"--json", false}};
inline constexpr OptionName kPortsOptions[] = {{"--json", false}};

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

// Every option name the serial commands' readers know ("-p", "--port", ...), for completion.
std::vector<std::string> writeOptionNames();
std::vector<std::string> writeEarlierOptionNames();
std::vector<std::string> pinOptionNames();

}  // namespace velmar::cli
