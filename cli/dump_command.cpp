#include <cstdio>
#include <string_view>

#include "cli/commands.h"
#include "cli/output_file.h"
#include "cli/same_file.h"

namespace velmar::cli {

int runDump(const Args& args) {
    const OutputOption options = splitOutputOption(args);
    if (!options.error.empty()) return usageError("dump", options.error);
    if (options.positional.size() != 1) return usageError("dump", "expects exactly one FILE");
    if (!options.output) return usageError("dump", "needs an output file: -o OUTPUT.bin");
    const std::string& input = options.positional[0];
    if (namesSameFile(input, *options.output))
        return usageError("dump", *options.output +
                                      " is the firmware file itself; nothing was "
                                      "written");

    LoadedFirmware firmware;
    if (const int code = loadOrReport(input, firmware); code != kExitOk) return code;

    const auto& bytes = firmware.image.bytes();
    // A device named as the output gets the image as it is (a FIFO only when a program reads
    // it: the open never waits for one).
    if (const auto failure = writeOutputFile(
            *options.output,
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
            {.keep = {{input, KeptRole::Firmware}}, .devicesToo = true})) {
        std::fprintf(stderr, "%s: could not write the image: %s (%s)\n", options.output->c_str(),
                     failure->cause.c_str(), failure->step.c_str());
        return kExitOutputError;
    }
    return kExitOk;
}

}  // namespace velmar::cli
