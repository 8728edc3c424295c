#pragma once
// velmar-fw write: its arguments and exit codes, apart from the run so they can be tested.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/serial_options.h"
#include "protocol/current_loader.h"
#include "protocol/rewrite_sequence.h"
#include "wording/rewrite_words.h"

namespace velmar::cli {

struct WriteOptions {
    std::string file;
    // Exactly one of the two: a port number resolved like the window's COM n, or a path.
    int16_t portNumber = 0;
    std::optional<std::string> devicePath;
    LoaderVersion loader = LoaderVersion::v106OrLater;
    std::optional<std::string> tracePath;
    // Every port in order, the one above first; a station's ranges spread out.
    std::vector<PortChoice> ports;
    std::optional<std::string> reportPath;  // a station's summary of every port
    bool quiet = false;                     // no progress lines, only the outcome
    bool verbose = false;                   // the device opened and each stage's time besides
    // Several ports (a second --port or a range), or any number with --report: the run is a
    // station's, with its table and report, rather than one port's progress lines.
    bool station = false;
};

struct WriteOptionsResult {
    WriteOptions options;
    std::string error;  // "" when understood
};

WriteOptionsResult parseWriteOptions(const Args& args);

using words::answeredZeroHint;
using words::stageName;

}  // namespace velmar::cli
