#pragma once
// The options every serial command shares: --port DEVICE|N and, where the command offers it,
// --speed 9600|38400|4800 (the window's line-speed choice), plus each command's own options.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_common.h"

namespace velmar::cli {

struct OwnOption {
    std::string name;            // "--pin"
    bool mayBeEmpty = false;     // a pin text may be empty; a file name may not
    bool isFlag = false;         // takes no value; given, it is in `own` with ""
    std::string shortName = {};  // "-q", or "" for none
};

struct SerialCommandSyntax {
    bool takesFile = false;  // exactly one positional FILE
    bool takesSpeed = true;  // --speed is offered
    std::vector<OwnOption> own;
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
    std::map<std::string, std::string> own;  // the command's own options by name, as given
    std::vector<std::string> portValues;     // every --port, as given
};

struct SerialCommandOptionsResult {
    SerialCommandOptions options;
    std::string error;  // "" when understood
};

SerialCommandOptionsResult parseSerialCommandOptions(const Args& args,
                                                     const SerialCommandSyntax& syntax);

// The options `syntax` offers as the reader takes them: ("-p,--port", true) for --port, which
// takes a value, and so on.
std::vector<std::pair<std::string, bool>> optionSpellings(const SerialCommandSyntax& syntax);

// Every name of those options on its own: "-p", "--port", ...
std::vector<std::string> optionNames(const SerialCommandSyntax& syntax);

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
