#include <cstdio>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "image/checksum.h"
#include "wording/step_words.h"

namespace velmar::cli {

int runChecksum(const Args& args) {
    const CommandLine line = parseCommandLine(args, {});
    if (!line.error.empty()) return usageError("checksum", line.error);
    const Args& words = line.positionals;
    if (words.size() != 3) return usageError("checksum", "expects FILE START STOP");
    LoadedFirmware firmware;
    if (const int code = loadOrReport(words[0], firmware); code != kExitOk) return code;

    const auto sum = checksumText(firmware.image, words[1], words[2]);
    if (!sum) return usageError("checksum", words::kChecksumOutOfRangeMessage);
    std::printf("%s\n", sum->c_str());
    return kExitOk;
}

}  // namespace velmar::cli
