#include <gtest/gtest.h>

#include <cstdlib>

#include "data/sample_firmware.h"
#include "files/firmware_loader.h"
#include "wording/load_words.h"
#include "image/blocks.h"
#include "tests/files/temp_files.h"

namespace velmar {
namespace {

std::string envOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

TEST(SampleFirmware, ShippedAndCopiedFilesAreWhatTheGeneratorMakes) {
    const std::string generated = makeSampleFirmware();
    const std::string source = envOrEmpty("VELMAR_SOURCE_DIR");
    const std::string bin = envOrEmpty("VELMAR_BIN_DIR");
    ASSERT_FALSE(source.empty());
    ASSERT_FALSE(bin.empty());
    EXPECT_TRUE(testing::readFile(source + "/data/" + kSampleFirmwareName) == generated)
        << "data/ holds a file the generator no longer makes; run velmar-make-sample";
    EXPECT_TRUE(testing::readFile(bin + "/" + kSampleFirmwareName) == generated)
        << "the copy beside the executables is stale";
}

TEST(SampleFirmware, IsWellFormedAndLoadsWithRealisticGaps) {
    const std::string text = makeSampleFirmware();
    EXPECT_EQ(text.rfind("S0", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 14), "S804000000FB\r\n");
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1) << "CR LF line ends";

    testing::TempDir dir;
    MemoryImage image;
    MemoryImage scratch;
    const LoadOutcome outcome =
        loadFirmwareFile(dir.write(kSampleFirmwareName, text), image, scratch);
    ASSERT_EQ(outcome.result, 1) << loadMessage(outcome).text;

    int usedRows = 0;
    for (int32_t row = kFirstRow; row <= kLastRow; ++row) usedRows += image.blnRowUsed(row);
    for (int32_t row = kFirstSkippedRow; row < kFirstRowAfterSkip; ++row)
        ASSERT_FALSE(image.blnRowUsed(row)) << "nothing is placed in 0E000..0FFFF";
    const auto blocks = usedBlockRows(image);
    // Mostly code, but with empty blocks and erased tails, as a linked firmware has.
    EXPECT_GT(usedRows, kRowCount / 2);
    EXPECT_LT(usedRows, kRowCount - (kFirstRowAfterSkip - kFirstSkippedRow));
    EXPECT_GT(blocks.size(), 100u);
    EXPECT_LT(blocks.size(), static_cast<std::size_t>(kBlockCount));
    EXPECT_EQ(text, makeSampleFirmware()) << "the generator must be deterministic";
}

}  // namespace
}  // namespace velmar
