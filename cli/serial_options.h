#pragma once
// The options the earlier-loader and port pin commands share: --port DEVICE|N and
// --speed 9600|38400|4800 (the window's line-speed choice), plus each command's own options.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_common.h"

namespace velmar::cli {

struct SerialCommandOptions {
    std::string file;  // the one positional argument, for commands that take a file
    // A port number resolved like the window's COM n, or a device path (then port 1).
    int16_t portNumber = 1;
    std::optional<std::string> devicePath;
    std::string settings;  // settings string of --speed; the window starts with 9600
    std::map<std::string, std::string> own;  // the command's own options by name, as given
};

struct SerialCommandOptionsResult {
    SerialCommandOptions options;
    std::string error;  // "" when understood
};

// `ownOptions` are the command's own option names ("--pin"); their values may be empty.
SerialCommandOptionsResult parseSerialCommandOptions(const Args& args,
                                                     const std::vector<std::string>& ownOptions,
                                                     bool takesFile);

}  // namespace velmar::cli
