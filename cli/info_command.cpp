#include <cstdio>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/json_text.h"
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

void printJson(const std::string& path, const LoadedFirmware& firmware) {
    const LoadOutcome& outcome = firmware.outcome;
    std::printf("{\"file\":%s,\"reader\":%s", jsonString(path).c_str(),
                isIntelHexPath(path) ? "\"Intel HEX\"" : "\"Motorola S-record\"");
    if (!firmware.ok()) {
        std::printf(",\"outcome\":%s", jsonString(loadMessage(outcome).text).c_str());
        if (outcome.kind == LoadOutcome::Kind::Refused)
            std::printf(",\"code\":%d,\"line\":%d", outcome.code, outcome.lineNumber);
        std::printf("}\n");
        return;
    }
    std::printf(",\"outcome\":\"loaded\",\"used_rows\":%d,\"blocks\":[",
                countUsedRows(firmware.image));
    const std::vector<int32_t> blocks = usedBlockRows(firmware.image);
    for (std::size_t i = 0; i < blocks.size(); ++i)
        std::printf("%s\"%s\"", i == 0 ? "" : ",", addressText(blocks[i] * kColumns).c_str());
    const auto sum = checksumText(firmware.image, "C000", "FFFF");
    std::printf("],\"checksum\":%s}\n", sum ? jsonString(*sum).c_str() : "null");
}

}  // namespace

int runInfo(const Args& args) {
    const CommandLine line = parseCommandLine(args, kInfoOptions);
    if (!line.error.empty()) return usageError("info", line.error);
    const bool json = timesGiven(line, "--json") > 0;
    const Args& files = line.positionals;
    if (files.size() != 1) return usageError("info", "expects exactly one FILE");
    const std::string& path = files[0];
    LoadedFirmware firmware;
    firmware.outcome = loadFirmwareFile(path, firmware.image, firmware.scratch);
    const LoadOutcome& outcome = firmware.outcome;
    if (json) {
        printJson(path, firmware);
        std::fflush(stdout);
        if (!firmware.ok()) reportLoadCause(path, outcome);
        return exitCodeFor(outcome);
    }

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
