#include <cstdio>

#include "cli/commands.h"
#include "image/checksum.h"
#include "wording/step_words.h"

namespace velmar::cli {

int runChecksum(const Args& args) {
    if (args.size() != 3) return usageError("checksum", "expects FILE START STOP");
    LoadedFirmware firmware;
    if (const int code = loadOrReport(args[0], firmware); code != kExitOk) return code;

    const auto sum = checksumText(firmware.image, args[1], args[2]);
    if (!sum) return usageError("checksum", words::kChecksumOutOfRangeMessage);
    std::printf("%s\n", sum->c_str());
    return kExitOk;
}

}  // namespace velmar::cli
