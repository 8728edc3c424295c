#include "cli/cli_common.h"

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

int loadOrReport(const std::string& path, LoadedFirmware& firmware) {
    firmware.outcome = loadFirmwareFile(path, firmware.image, firmware.scratch);
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
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        std::optional<std::string> value;
        if (word == "-o" || word == "--output") {
            if (i + 1 >= args.size()) {
                result.error = "option " + word + " needs a file name";
                return result;
            }
            value = args[++i];
        } else if (word.rfind("--output=", 0) == 0) {
            value = word.substr(9);
        } else {
            result.positional.push_back(word);
            continue;
        }
        if (result.output) {
            result.error = "the output file is given twice";
            return result;
        }
        if (value->empty()) {
            result.error = "the output file name is empty";
            return result;
        }
        result.output = std::move(value);
    }
    return result;
}

}  // namespace velmar::cli
