// velmar-fw write's options, for one port and for a station of several alike.

#include "cli/command_options.h"
#include "cli/serial_options.h"
#include "cli/write_command.h"

namespace velmar::cli {

namespace {

// The options are read once, every --port kept; the ports given then decide whether the run is
// one port's or a station's.
const SerialCommandSyntax kWriteSyntax = {
    .takesFile = true, .options = kWriteOptions, .severalPorts = true};

}  // namespace

WriteOptionsResult parseWriteOptions(const Args& args) {
    WriteOptionsResult result;
    const SerialCommandOptionsResult parsed = parseSerialCommandOptions(args, kWriteSyntax);
    if (!parsed.error.empty()) {
        result.error = parsed.error;
        return result;
    }
    WriteOptions& o = result.options;
    o.file = parsed.options.file;
    const auto& given = parsed.options.own;
    if (const auto trace = given.find("--trace"); trace != given.end()) o.tracePath = trace->second;
    if (const auto loader = given.find("--loader"); loader != given.end()) {
        if (loader->second == "1.05")
            o.loader = LoaderVersion::v105;
        else if (loader->second != "1.06") {
            result.error = "--loader takes 1.05 or 1.06, not \"" + loader->second + "\"";
            return result;
        }
    }
    o.quiet = given.contains("--quiet");
    o.verbose = given.contains("--verbose");
    if (o.quiet && o.verbose) {
        result.error = "--quiet and --verbose exclude each other";
        return result;
    }
    if (const auto report = given.find("--report"); report != given.end())
        o.reportPath = report->second;
    o.station = o.reportPath || namesSeveralPorts(parsed.options.portValues);
    // A station's table or event lines are its output; only one port's own progress lines can
    // be left out or told in more detail.
    if (o.station && (o.quiet || o.verbose)) {
        result.error =
            "--quiet and --verbose shape one port's progress lines; with --report or "
            "several ports the run shows a station's table instead";
        return result;
    }
    o.ports = portChoices(parsed.options.portValues, result.error);
    if (o.tracePath && o.ports.size() > 1) {
        result.error = "--trace follows one port; give it with a single --port";
        return result;
    }
    if (!o.ports.empty()) {
        o.portNumber = o.ports.front().number;
        o.devicePath = o.ports.front().devicePath;
    }
    return result;
}

}  // namespace velmar::cli
