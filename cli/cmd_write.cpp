// velmar-fw write: the window's rewrite sequence (connect, erase, write, end) from a terminal.

#include <unistd.h>

#include <QCoreApplication>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>

#include "cli/byte_trace.h"
#include "cli/commands.h"
#include "cli/write_command.h"
#include "cli/write_progress.h"
#include "link/loader_link.h"
#include "platform/qt/qt_event_wait.h"
#include "platform/qt/qt_serial_control.h"

namespace velmar::cli {

namespace {

volatile std::sig_atomic_t stopAsked = 0;

extern "C" void onInterrupt(int) {
    stopAsked = 1;
    static const char kText[] = "\nStopping after the current frame (Ctrl-C again quits at once)\n";
    (void)!::write(STDERR_FILENO, kText, sizeof kText - 1);
}

// The first Ctrl-C asks the write to stop between frames; the handler then resets itself so
// a second one ends the program at once.
class InterruptGuard {
  public:
    InterruptGuard() {
        stopAsked = 0;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptGuard() { sigaction(SIGINT, &previous_, nullptr); }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

  private:
    struct sigaction previous_ {};
};

// Why a step failed, on stderr, in words a user can act on.
void explainFailure(const QtSerialControl& serial, const LoaderLink& link,
                    const WriteOptions& options) {
    if (const auto& error = serial.lastError()) {
        std::fprintf(stderr, "velmar-fw write: %s: %s\n", serial.deviceName().c_str(),
                     describeSerialFault(error->fault()).c_str());
        // Faults without words of their own keep the system's message.
        if (error->fault() == SerialFault::Other || error->fault() == SerialFault::BadSettings)
            std::fprintf(stderr, "  (%s)\n", error->what());
        if (error->fault() == SerialFault::NoSuchDevice && !options.devicePath)
            std::fprintf(stderr,
                         "  (port %d is %s; VELMAR_COM%d=PATH points it at another device)\n",
                         options.portNumber, serial.deviceName().c_str(), options.portNumber);
    } else if (!link.lastCause().empty()) {
        std::fprintf(stderr, "velmar-fw write: %s\n", link.lastCause().c_str());
    }
}

int failStep(const char* message, int exitCode, const QtSerialControl& serial,
             const LoaderLink& link, const WriteOptions& options) {
    std::printf("%s\n", message);
    std::fflush(stdout);
    explainFailure(serial, link, options);
    return exitCode;
}

}  // namespace

std::optional<int16_t> portNumber(const std::string& text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
    if (value < 0 || value > INT16_MAX) return std::nullopt;
    return static_cast<int16_t>(value);
}

QCoreApplication& ensureApplication() {
    if (auto* existing = QCoreApplication::instance()) return *existing;
    static int argc = 1;
    static char name[] = "velmar-fw";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    return application;
}

WriteOptionsResult parseWriteOptions(const Args& args) {
    WriteOptionsResult result;
    WriteOptions& o = result.options;
    std::optional<std::string> port;
    std::optional<std::string> loader;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string word = args[i];
        std::optional<std::string> value;
        if (word.starts_with("--") && word.find('=') != std::string::npos) {
            value = word.substr(word.find('=') + 1);
            word.resize(word.find('='));
        }
        std::optional<std::string>* target = nullptr;
        if (word == "--port")
            target = &port;
        else if (word == "--loader")
            target = &loader;
        else if (word == "--trace")
            target = &o.tracePath;
        if (target == nullptr) {
            if (word.starts_with("-") && word.size() > 1) {
                result.error = "unknown option " + word;
                return result;
            }
            if (!o.file.empty()) {
                result.error = "expects one FILE, got \"" + o.file + "\" and \"" + word + "\"";
                return result;
            }
            o.file = word;
            continue;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                result.error = "option " + word + " needs a value";
                return result;
            }
            value = args[++i];
        }
        if (value->empty()) {
            result.error = "option " + word + " needs a value";
            return result;
        }
        if (*target) {
            result.error = "option " + word + " is given twice";
            return result;
        }
        *target = *value;
    }
    if (o.file.empty()) {
        result.error = "expects a firmware FILE";
        return result;
    }
    if (!port) {
        result.error = "expects --port DEVICE or --port N";
        return result;
    }
    if (const auto number = portNumber(*port)) {
        if (*number == 0) {
            result.error = "port 0 never opens; ports count from 1";
            return result;
        }
        o.portNumber = *number;
    } else {
        o.devicePath = *port;
        o.portNumber = 1;  // the steps want a number that opens; the path decides the device
    }
    if (loader) {
        if (*loader == "1.05")
            o.loader = LoaderVersion::v105;
        else if (*loader == "1.06")
            o.loader = LoaderVersion::v106OrLater;
        else {
            result.error = "--loader takes 1.05 or 1.06, not \"" + *loader + "\"";
            return result;
        }
    }
    return result;
}

int runWrite(const Args& args) {
    const WriteOptionsResult parsed = parseWriteOptions(args);
    if (!parsed.error.empty()) return usageError("write", parsed.error);
    const WriteOptions& options = parsed.options;

    auto firmware = std::make_unique<LoadedFirmware>();
    loadOrReport(options.file, *firmware);
    if (!firmware->ok()) return exitCodeFor(firmware->outcome);
    const std::vector<int32_t> blocks = blocksToSend(firmware->image);
    if (blocks.empty()) {
        // An erase with nothing after it would leave the radio empty and still "succeed".
        std::fprintf(stderr, "No firmware data to write\n");
        return kExitNoData;
    }

    std::ofstream traceFile;
    std::unique_ptr<ByteTrace> trace;
    if (options.tracePath) {
        traceFile.open(*options.tracePath, std::ios::out | std::ios::trunc);
        if (!traceFile) {
            std::fprintf(stderr, "velmar-fw write: cannot write the trace %s\n",
                         options.tracePath->c_str());
            return kExitOutputError;
        }
        trace = std::make_unique<ByteTrace>(traceFile);
    }

    ensureApplication();
    QtSerialControl serial;
    serial.setDevicePath(options.devicePath);
    serial.setCommPort(options.portNumber);
    if (serial.deviceName().empty())
        return usageError("write",
                          "port " + std::to_string(options.portNumber) + " names no device");
    QtEventWait wait;
    LoaderLink link(serial, wait);
    link.setTrace(trace.get());
    InterruptGuard interrupts;
    const int16_t port = options.portNumber;

    std::printf("Writing %s (%zu blocks of 1 KiB) through %s\n", options.file.c_str(),
                blocks.size(), serial.deviceName().c_str());
    std::fflush(stdout);

    auto step = [&](const char* name) {
        serial.clearLastError();
        link.setLastCause({});
        if (trace) trace->note(name);
    };

    step("connect");
    if (connectLoader(link, options.loader, port) != result::kConnectedC)
        return failStep("Connection failure", kExitConnectFailure, serial, link, options);
    if (stopAsked) {
        std::fprintf(stderr, "Stopped before erasing: the radio's flash is unchanged.\n");
        return kExitStopped;
    }

    step("erase");
    if (eraseFlash(link, port) != result::kEraseAccepted)
        return failStep("Deletion failure", kExitDeleteFailure, serial, link, options);

    step("write");
    WriteProgress progress(stdout, ::isatty(STDOUT_FILENO) != 0, blocks.size(), &stopAsked);
    const int16_t written = writeImage(link, firmware->image, port, progress);
    progress.finish();
    if (written != result::kWriteDone) {
        if (stopAsked) {
            const auto& done = progress.acceptedBlocks();
            std::fprintf(stderr, "Stopped by Ctrl-C after %zu of %zu blocks%s%s.\n", done.size(),
                         blocks.size(),
                         done.empty() ? "" : "; written: ", describeBlockRanges(done).c_str());
            std::fprintf(stderr, "The radio holds an incomplete firmware: run the write again.\n");
            std::printf("Writing failure\n");
            return kExitStopped;
        }
        return failStep("Writing failure", kExitWriteFailure, serial, link, options);
    }

    step("end");
    endSession(link, port);  // its outcome does not change the rewrite's
    std::printf("Rewriting success!\n");
    return kExitOk;
}

}  // namespace velmar::cli
