#pragma once
// The reader every serial command shares: --port DEVICE|N and, where the command's table offers
// it, --speed 9600|38400|4800 (the window's line-speed choice), plus each command's own options.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_common.h"

namespace velmar::cli {

struct SerialCommandSyntax {
    bool takesFile = false;  // exactly one positional FILE
    OptionTable options;     // the command's table (command_options.h), --port among them
    // --port may be given many times (a station); the values are left to portChoices().
    bool severalPorts = false;
};

// One --port value: a port number resolved like the window's COM n, or a device path.
struct PortChoice {
    std::string label;   // as given; each number of a range on its own
    int16_t number = 1;  // the port number, or 1 beside a device path
    std::optional<std::string> devicePath;
};

struct SerialCommandOptions {
    std::string file;  // the one positional argument, for commands that take a file
    // A port number resolved like the window's COM n, or a device path (then port 1).
    int16_t portNumber = 1;
    std::optional<std::string> devicePath;
    std::string settings;  // settings string of --speed; the window starts with 9600
    // The command's own options (all but --port and --speed) by name, as given; "" for a flag.
    std::map<std::string, std::string> own;
    std::vector<std::string> portValues;  // every --port, as given
};

struct SerialCommandOptionsResult {
    SerialCommandOptions options;
    std::string error;  // "" when understood
};

SerialCommandOptionsResult parseSerialCommandOptions(const Args& args,
                                                     const SerialCommandSyntax& syntax);

// True when the --port values given are more than one, or a range of ports such as 1-8.
bool namesSeveralPorts(const std::vector<std::string>& portValues);

// The ports of `values` ("3", "1-8", "/dev/ttyUSB0"), ranges spread out; "" in `error` when
// every value is a port.
std::vector<PortChoice> portChoices(const std::vector<std::string>& values, std::string& error);

// A --port value of digits only is a port number ("3"); anything else is a device path
// (nullopt). Numbers too long for an int come back as INT_MAX, which no port accepts.
std::optional<int> portNumber(const std::string& text);

// Why the port number `text` is no port; "" for 1..kPortCount (the window's entries, the ones a
// technician can tie to a device) and for a device path. Other devices go by their path.
std::string portNumberProblem(const std::string& text);

}  // namespace velmar::cli
