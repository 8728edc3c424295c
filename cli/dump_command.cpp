#include <cstdio>
#include <memory>

#include "cli/commands.h"

namespace velmar::cli {

int runDump(const Args& args) {
    const OutputOption options = splitOutputOption(args);
    if (!options.error.empty()) return usageError("dump", options.error);
    if (options.positional.size() != 1) return usageError("dump", "expects exactly one FILE");
    if (!options.output) return usageError("dump", "needs an output file: -o OUTPUT.bin");

    auto firmware = std::make_unique<LoadedFirmware>();
    loadOrReport(options.positional[0], *firmware);
    if (!firmware->ok()) return exitCodeFor(firmware->outcome);

    const auto bytes = std::make_unique<std::array<uint8_t, kImageBytes>>(firmware->image.bytes());
    std::FILE* out = std::fopen(options.output->c_str(), "wb");
    if (out == nullptr) {
        std::perror(options.output->c_str());
        return kExitOutputError;
    }
    const bool written = std::fwrite(bytes->data(), 1, bytes->size(), out) == bytes->size();
    if (std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "%s: could not write the image\n", options.output->c_str());
        std::remove(options.output->c_str());  // a short image must not pass for a whole one
        return kExitOutputError;
    }
    return kExitOk;
}

}  // namespace velmar::cli
