#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "image/checksum.h"

namespace velmar::cli {

int runChecksum(const Args& args) {
    if (args.size() != 3) return usageError("checksum", "expects FILE START STOP");
    auto firmware = std::make_unique<LoadedFirmware>();
    loadOrReport(args[0], *firmware);
    if (!firmware->ok()) return exitCodeFor(firmware->outcome);

    const auto sum = checksumText(firmware->image, args[1], args[2]);
    if (!sum) return usageError("checksum", kChecksumOutOfRangeMessage);
    std::printf("%s\n", sum->c_str());
    return kExitOk;
}

}  // namespace velmar::cli
