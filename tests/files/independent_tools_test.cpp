// Files written by other tools (Debian's srecord and binutils) from a known binary must load
// to exactly that binary.
#include <gtest/gtest.h>

#include <cstdlib>

#include "files/firmware_loader.h"
#include "wording/load_words.h"
#include "tests/files/record_builders.h"
#include "tests/files/temp_files.h"

namespace velmar {
namespace {

using testing::Bytes;
using testing::TempDir;

// Code-like bytes with erased stretches, so both marked and unmarked rows occur.
Bytes knownBinary(std::size_t size, uint32_t seed) {
    Bytes bytes(size);
    uint32_t state = seed;
    for (std::size_t i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        const bool erased = (i / 512) % 5 == 3 || (i % 1024) >= 992;
        bytes[i] = erased ? 0xFF : static_cast<uint8_t>(state >> 24);
    }
    return bytes;
}

bool toolAvailable(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

struct ToolCase {
    const char* name;
    const char* tool;
    uint32_t address;
    std::size_t size;
    const char* output;   // file name; its last letters choose the reader
    const char* command;  // printf-style: input path, address, output path
};

TEST(IndependentTools, FilesFromSrecordAndBinutilsLoadByteForByte) {
    const std::vector<ToolCase> cases = {
        {"objcopy S2", "objcopy", 0x10000, 0x8000, "objcopy.mot",
         "objcopy -I binary -O srec --change-addresses 0x%X %s %s"},
        {"objcopy forced S3", "objcopy", 0x04000, 0x2000, "objcopy-s3.s19",
         "objcopy -I binary -O srec --srec-forceS3 --change-addresses 0x%X %s %s"},
        {"objcopy Intel HEX up to 0FFFF", "objcopy", 0x04000, 0xC000, "objcopy.hex",
         "objcopy -I binary -O ihex --change-addresses 0x%X %s %s"},
        {"srec_cat S1, 32-byte records, CR LF", "srec_cat", 0x04000, 0x3000, "srec_cat-s1.mot",
         "srec_cat %2$s -binary -offset 0x%1$X -o %3$s -motorola -address-length=2 -crlf"},
        {"srec_cat S2 over the whole image", "srec_cat", 0x04000, 0x20000, "srec_cat-full.mot",
         "srec_cat %2$s -binary -offset 0x%1$X -o %3$s -motorola -address-length=3"},
        {"srec_cat S3", "srec_cat", 0x20000, 0x4000, "srec_cat-s3.mot",
         "srec_cat %2$s -binary -offset 0x%1$X -o %3$s -motorola -address-length=4"},
        {"srec_cat Intel HEX, 16-byte records", "srec_cat", 0x08000, 0x4000, "srec_cat.HEX",
         "srec_cat %2$s -binary -offset 0x%1$X -o %3$s -intel -address-length=2 "
         "-output_block_size=16"},
    };
    TempDir dir;
    MemoryImage image;
    MemoryImage scratch;
    for (const ToolCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(toolAvailable(c.tool))
            << c.tool << " is missing (tools/packages.sh installs it)";
        const Bytes binary = knownBinary(c.size, c.address);
        const std::string input = dir.write("known.bin", std::string(binary.begin(), binary.end()));
        const std::string output = dir.path(c.output);
        char command[512];
        std::snprintf(command, sizeof command, c.command, c.address, input.c_str(), output.c_str());
        ASSERT_EQ(std::system(command), 0) << command;

        const LoadOutcome outcome = loadFirmwareFile(output, image, scratch);
        ASSERT_EQ(outcome.result, 1) << loadMessage(outcome).text;

        Bytes expected(kImageBytes, 0xFF);
        std::copy(binary.begin(), binary.end(),
                  expected.begin() + (c.address - kImageFirstAddress));
        const auto bytes = image.bytes();
        ASSERT_TRUE(std::equal(bytes.begin(), bytes.end(), expected.begin(), expected.end()));
        for (int32_t row = kFirstRow; row <= kLastRow; ++row) {
            const auto first = expected.begin() + (row - kFirstRow) * kColumns;
            const bool anyData =
                std::any_of(first, first + kColumns, [](uint8_t b) { return b != 0xFF; });
            ASSERT_EQ(image.blnRowUsed(row), anyData) << "row " << row;
        }
    }
}

}  // namespace
}  // namespace velmar
