#include "cli/cli_common.h"

#include "cli/command_line.h"
#include "cli/command_options.h"
#include "wording/load_words.h"

namespace velmar::cli {

int exitCodeFor(const LoadOutcome& outcome) {
    switch (outcome.kind) {
        case LoadOutcome::Kind::Loaded:
            return kExitOk;
        case LoadOutcome::Kind::Refused:
            return kExitRefused;
        case LoadOutcome::Kind::FileOpenError:
        case LoadOutcome::Kind::Stopped:  // no command stops a load
            break;
    }
    return kExitFileOpenError;
}

void reportLoadCause(const std::string& path, const LoadOutcome& outcome) {
    const std::string cause = outcome.kind == LoadOutcome::Kind::Refused
                                  ? describeReaderCode(outcome.code)
                                  : describeLoadFailure(outcome, path);
    if (!cause.empty()) std::fprintf(stderr, "  %s\n", cause.c_str());
}

int loadOrReport(const std::string& path, LoadedFirmware& firmware,
                 const std::function<void(std::string_view)>& readBytes) {
    firmware.outcome = loadFirmwareFile(path, firmware.image, firmware.scratch, {}, readBytes);
    if (!firmware.ok()) {
        const LoadMessage message = loadMessage(firmware.outcome);
        std::fprintf(stderr, "%s: %s (%s)\n", path.c_str(), message.text.c_str(),
                     message.title.c_str());
        reportLoadCause(path, firmware.outcome);
    }
    return exitCodeFor(firmware.outcome);
}

int usageError(const std::string& command, const std::string& text) {
    std::fprintf(stderr, "velmar-fw %s: %s\nTry 'velmar-fw %s --help'.\n", command.c_str(),
                 text.c_str(), command.c_str());
    return kExitUsage;
}

OutputOption splitOutputOption(const Args& args) {
    OutputOption result;
    const CommandLine line = parseCommandLine(args, kDumpOptions);
    if (line.error.starts_with("option --output needs")) {
        result.error = "option --output needs a file name";
        return result;
    }
    result.error = line.error;
    if (!result.error.empty()) return result;
    result.positional = line.positionals;
    if (timesGiven(line, "--output") > 1) {
        result.error = "the output file is given twice";
        return result;
    }
    result.output = lastValue(line, "--output");
    if (result.output && result.output->empty()) result.error = "the output file name is empty";
    return result;
}

}  // namespace velmar::cli
