#include "cli/station.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/interrupt_guard.h"
#include "cli/output_file.h"
#include "cli/output_guard.h"
#include "cli/rewrite_log.h"
#include "cli/same_file.h"
#include "cli/serial_port_use.h"
#include "cli/station_display.h"
#include "cli/station_port.h"
#include "cli/station_text.h"
#include "cli/station_threads.h"
#include "cli/trace_file.h"
#include "files/utf8_path.h"
#include "image/blocks.h"
#include "platform/port_names.h"
#include "protocol/current_loader.h"
#include "records/service_log.h"

namespace velmar::cli {

namespace {

// A link (velmar-radio's, a udev name) shown as the device it leads to.
std::string shownDevice(const std::string& device) {
    if (device.empty()) return "-";
    std::error_code error;
    const std::filesystem::path target = std::filesystem::canonical(utf8Path(device), error);
    return error ? device : pathText(target);
}

// Every port with the device it opens; "" in `refusal` unless two of them share one.
std::vector<StationPort> stationPorts(const std::vector<PortChoice>& choices,
                                      const PortDirectory& directory, std::string& refusal) {
    if (std::any_of(choices.begin(), choices.end(), [](const PortChoice& choice) {
            return !choice.devicePath && environmentPortDevice(choice.number).empty();
        }))
        noteSavedAssignment(directory);
    std::vector<StationPort> ports(choices.size());
    std::vector<NamedDevice> named;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        StationPort& port = ports[i];
        port.index = i;
        port.label = choices[i].label;
        port.number = choices[i].number;
        port.device =
            choices[i].devicePath ? *choices[i].devicePath : directory.deviceFor(port.number);
        named.push_back({port.label, port.device});
    }
    refusal = sharedDeviceRefusal(named);
    return ports;
}

// Every port that began, as its record stands; false (said on stderr) when the report could
// not be written.
bool writeReport(const WriteOptions& options, const std::vector<StationPort>& ports) {
    const std::string& path = *options.reportPath;
    std::vector<ServiceRecord> records;
    for (const StationPort& port : ports)
        if (port.record->begun()) records.push_back(port.record->record());
    const auto failure =
        writeOutputFile(path, toJsonArray(records),
                        {.keep = keptFrom(options, KeptRole::Report), .devicesToo = false});
    if (failure)
        std::fprintf(stderr, "velmar-fw write: the report %s could not be written: %s (%s)\n",
                     path.c_str(), failure->cause.c_str(), failure->step.c_str());
    return !failure;
}

}  // namespace

int runStation(const WriteOptions& options, PortDirectory& directory) {
    // The report replaces its file only at the end: a name it may not have, or a trace's, is
    // refused at once.
    if (const std::string why = outputsRefusal(options); !why.empty())
        return usageError("write", why + "; nothing was sent");
    std::string refusal;
    std::vector<StationPort> ports = stationPorts(options.ports, directory, refusal);
    if (!refusal.empty()) return usageError("write", refusal + "; nothing was sent");

    LoadedFirmware firmware;
    ContentHash hash;
    if (const int code = loadOrReport(options.file, firmware, std::ref(hash)); code != kExitOk)
        return code;
    const std::size_t blockCount = usedBlockRows(firmware.image).size();
    const char* loader = options.loader == LoaderVersion::v105 ? "1.05" : "1.06";
    for (StationPort& port : ports) {
        port.record.emplace("velmar-fw", "write");
        describeRewriteRecord(*port.record, options.file, hash.hex(), firmware.image,
                              options.ports[port.index].devicePath, port.number, loader, blockCount,
                              directory);
    }
    if (blockCount == 0) {
        // An erase with nothing after it would leave every radio empty and still "succeed".
        std::fprintf(stderr, "No firmware data to write\n");
        for (StationPort& port : ports)
            finishRewriteRecord(*port.record, "No firmware data to write");
        return kExitNoData;
    }

    std::vector<StationRow> rows;
    for (const StationPort& port : ports) {
        StationRow row;
        row.port = port.label;
        row.device = shownDevice(port.device);
        row.total = blockCount;
        rows.push_back(std::move(row));
    }
    // A station of one port may keep its trace, opened before anything is sent.
    TraceFile trace;
    if (options.tracePath &&
        !trace.open("write", *options.tracePath, keptFrom(options, KeptRole::Trace)))
        return kExitOutputError;
    StationDisplay display(stdout, redrawsInPlace(STDOUT_FILENO) ? STDOUT_FILENO : -1,
                           std::move(rows));
    std::printf("%s\n", stationHeadline(options.file, blockCount, ports.size(),
                                        display.terminal() ? terminalColumns(STDOUT_FILENO) : 0)
                            .c_str());
    std::fflush(stdout);

    ensureApplication();
    // Quitting at once, every port that began gets what is known of it, in the log and in the
    // report; the threads are left where they are.
    InterruptGuard interrupts(
        "\nStopping every port after its frame in flight (Ctrl-C again quits at once)\n", [&] {
            for (StationPort& port : ports) quitRewriteRecord(*port.record);
            if (options.reportPath) writeReport(options, ports);
        });
    runEachOnItsThread(
        ports.size(),
        [&](std::size_t i) {
            rewritePort(ports[i], firmware.image, options.loader, directory, display, trace.get());
        },
        display);
    display.summary();

    for (const StationPort& port : ports)
        if (!port.outcome.cause.empty())
            std::fprintf(stderr, "velmar-fw write: %s: %s\n", port.label.c_str(),
                         port.outcome.cause.c_str());
    const bool stopped = std::any_of(ports.begin(), ports.end(),
                                     [](const StationPort& port) { return port.outcome.stopped; });
    if (stopped)
        std::fprintf(stderr, "Stopped by %s: a radio not rewritten whole needs its write again.\n",
                     InterruptGuard::signalName(InterruptGuard::stopAsked()));
    const bool allSucceeded = std::all_of(
        ports.begin(), ports.end(), [](const StationPort& port) { return port.outcome.succeeded; });
    int exitCode = stopped ? kExitStopped : allSucceeded ? kExitOk : kExitSomeFailed;
    if (options.reportPath && !writeReport(options, ports) && exitCode == kExitOk)
        exitCode = kExitOutputError;
    return trace.judge(exitCode);
}

}  // namespace velmar::cli
