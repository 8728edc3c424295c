#include <cstdio>

#include "cli/commands.h"
#include "image/blocks.h"
#include "image/checksum.h"
#include "wording/load_words.h"

namespace velmar::cli {

namespace {
constexpr std::size_t kAddressesPerLine = 8;

int countUsedRows(const MemoryImage& image) {
    int used = 0;
    for (int32_t row = kFirstRow; row <= kLastRow; ++row) used += image.blnRowUsed(row) ? 1 : 0;
    return used;
}
}  // namespace

int runInfo(const Args& args) {
    if (args.size() != 1) return usageError("info", "expects exactly one FILE");
    const std::string& path = args[0];
    LoadedFirmware firmware;
    firmware.outcome = loadFirmwareFile(path, firmware.image, firmware.scratch);
    const LoadOutcome& outcome = firmware.outcome;

    std::printf("File:      %s\n", path.c_str());
    std::printf("Reader:    %s\n", isIntelHexPath(path) ? "Intel HEX" : "Motorola S-record");
    if (!firmware.ok()) {
        const LoadMessage message = loadMessage(outcome);
        std::printf("Outcome:   %s (%s)\n", message.text.c_str(), message.title.c_str());
        std::fflush(stdout);
        reportLoadCause(path, outcome);
        return exitCodeFor(outcome);
    }
    const MemoryImage& image = firmware.image;
    std::printf("Outcome:   loaded\n");
    std::printf("Used rows: %d of %d\n", countUsedRows(image), kRowCount);
    const std::vector<int32_t> blocks = usedBlockRows(image);
    std::printf("Blocks:    %zu of %d would be sent\n", blocks.size(), kBlockCount);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        std::printf("%s%s", i % kAddressesPerLine == 0 ? "  " : " ",
                    addressText(blocks[i] * kColumns).c_str());
        if (i % kAddressesPerLine == kAddressesPerLine - 1 || i + 1 == blocks.size())
            std::printf("\n");
    }
    const auto sum = checksumText(image, "C000", "FFFF");
    std::printf("Checksum C000-FFFF: %s\n", sum ? sum->c_str() : "?");
    return kExitOk;
}

}  // namespace velmar::cli
