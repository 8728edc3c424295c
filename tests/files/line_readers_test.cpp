#include <gtest/gtest.h>

#include <optional>

#include "files/line_readers.h"
#include "tests/files/image_snapshot.h"
#include "tests/files/record_builders.h"

namespace velmar {
namespace {

using testing::Bytes;
using testing::counting;
using testing::ihex;
using testing::Placement;
using testing::srec;

struct ReaderCase {
    const char* name;
    std::string line;
    int16_t code;
    std::vector<Placement> stored;                       // what the image holds afterwards
    std::optional<int64_t> faultAddress = std::nullopt;  // ImageRangeError at this address
};

std::string withChar(std::string line, std::size_t index, char c) {
    line[index] = c;
    return line;
}

std::string lowerCase(std::string line) {
    for (std::size_t i = 1; i < line.size(); ++i)
        if (line[i] >= 'A' && line[i] <= 'F') line[i] = static_cast<char>(line[i] + 32);
    return line;
}

// Reads one line into a cleared image and checks code, fault and every cell and flag.
void checkCase(const ReaderCase& c, bool intelHex) {
    SCOPED_TRACE(std::string(c.name) + ": " + c.line);
    MemoryImage image;
    image.clearImage();
    LineReaders readers(image);
    readers.intErrorCode = 99;  // every line must set the code afresh
    if (c.faultAddress) {
        try {
            intelHex ? readers.readHexLine(c.line) : readers.readMotLine(c.line);
            ADD_FAILURE() << "expected a fault";
        } catch (const ImageRangeError& fault) {
            EXPECT_EQ(fault.row() * 16 + fault.column(), *c.faultAddress);
        }
    } else {
        intelHex ? readers.readHexLine(c.line) : readers.readMotLine(c.line);
        EXPECT_EQ(readers.intErrorCode, c.code);
    }
    MemoryImage expected;
    testing::buildExpected(expected, c.stored);
    EXPECT_TRUE(testing::sameCellsAndFlags(image, expected));
}

TEST(ReadMotLine, RecordsStoreTheirBytesOrAreRefusedWhole) {
    const Bytes sixteen = counting(16);
    const std::string s1c000 = srec(1, 0xC000, sixteen);
    const std::vector<ReaderCase> cases = {
        {"S1 fills one row", s1c000, 0, {{0xC000, sixteen}}},
        {"S1 runs on into the next row", srec(1, 0xC008, sixteen), 0, {{0xC008, sixteen}}},
        {"S2 fills the last row", srec(2, 0x23FF0, sixteen), 0, {{0x23FF0, sixteen}}},
        {"S3 at the first row", srec(3, 0x00004000, sixteen), 0, {{0x4000, sixteen}}},
        {"short data record", srec(2, 0x1ABCD, {0x00, 0x7F}), 0, {{0x1ABCD, {0x00, 0x7F}}}},
        {"lower-case digits read like upper case",
         lowerCase(srec(2, 0x1ABC0, counting(16, 0xA0))),
         0,
         {{0x1ABC0, counting(16, 0xA0)}}},
        {"characters after the checksum are ignored", s1c000 + "  junk", 0, {{0xC000, sixteen}}},
        {"FF stores without marking, FE marks",
         srec(1, 0x5000, {0xFF, 0xFE}),
         0,
         {{0x5000, {0xFF, 0xFE}}}},
        {"only FF leaves the row unmarked",
         srec(1, 0x5010, Bytes(16, 0xFF)),
         0,
         {{0x5010, Bytes(16, 0xFF)}}},
        {"record without data bytes, even below the image", srec(1, 0x0000, {}), 0, {}},
        {"S0 header", srec(0, 0, {'h', 'd', 'r'}), 0, {}},
        {"S5 count", "S5030004F8", 0, {}},
        {"S7 S8 S9 terminators", "S9030000FC", 0, {}},
        {"S8 with a broken checksum is not checked", "S804000000FF", 0, {}},
        {"a type that is not a digit counts as 0", "SX1300", 0, {}},
        {"a lone S is an S0 without fields", "S", 0, {}},
        {"empty line", "", 9, {}},
        {"lower-case s", lowerCase("s" + s1c000.substr(1)), 9, {}},
        {"leading space", " " + s1c000, 9, {}},
        // Damaged data records are refused before anything is stored.
        {"line ends after the address", "S1130000", 3, {}},
        {"line one character short", s1c000.substr(0, s1c000.size() - 1), 3, {}},
        {"count below address bytes plus one", "S1020000FD", 3, {}},
        {"S3 count too small for its address", "S3040000400077", 3, {}},
        {"line too short to hold a count", "S1", 3, {}},
        {"count is not hexadecimal", withChar(s1c000, 3, 'G'), 8, {}},
        {"address is not hexadecimal", withChar(s1c000, 5, 'x'), 8, {}},
        {"data byte is not hexadecimal", withChar(s1c000, 20, ' '), 8, {}},
        {"checksum is not hexadecimal", withChar(s1c000, s1c000.size() - 1, 'Z'), 8, {}},
        {"one data digit changed", withChar(s1c000, 8, '9'), 8, {}},
        {"checksum off by one", withChar(s1c000, s1c000.size() - 1, '0'), 8, {}},
        // Addresses outside the image fault; a record is placed whole or not at all.
        {"S1 below the image", srec(1, 0x0000, {0x01}), 0, {}, 0x0000},
        {"S1 just below the image", srec(1, 0x3FFF, {0x01, 0x02}), 0, {}, 0x3FFF},
        {"S2 running past the image end", srec(2, 0x23FF8, sixteen), 0, {}, 0x24000},
        {"S2 top address digit counts", srec(2, 0x10C000, sixteen), 0, {}, 0x10C000},
        {"S3 far above the image", srec(3, 0x80004000, {0x01}), 0, {}, 0x80004000},
    };
    for (const ReaderCase& c : cases) checkCase(c, false);
}

TEST(ReadMotLine, RecordsAccumulateAndALaterFFKeepsTheRowMarked) {
    MemoryImage image;
    image.clearImage();
    LineReaders readers(image);
    readers.readMotLine(srec(2, 0x12340, {0x00}));
    readers.readMotLine(srec(2, 0x12340, Bytes(16, 0xFF)));
    readers.readMotLine(srec(2, 0x12350, {0x42}));
    EXPECT_EQ(readers.intErrorCode, 0);
    EXPECT_TRUE(image.blnRowUsed(0x1234)) << "a row once marked stays marked";
    EXPECT_EQ(image.intImage(0x1234, 0), 255);
    EXPECT_EQ(image.intImage(0x1235, 0), 0x42);
}

TEST(ReadHexLine, ChecksInOrderAndStoresOnlyAcceptedRecords) {
    const Bytes sixteen = counting(16);
    const std::string c000 = ihex(0, 0xC000, sixteen);
    Bytes ninthOnly(16, 0xFF);
    ninthOnly[8] = 0x12;
    const std::vector<ReaderCase> cases = {
        {"end record", ":00000001FF", 0, {}},
        {"data record fills one row", c000, 0, {{0xC000, sixteen}}},
        {"run-on into the next row", ihex(0, 0xC008, ninthOnly), 0, {{0xC008, ninthOnly}}},
        {"run-on past 0x0FFFF", ihex(0, 0xFFF8, sixteen), 0, {{0xFFF8, sixteen}}},
        {"first image address, 13 characters: the shortest record read",
         ihex(0, 0x4000, {0xAB}),
         0,
         {{0x4000, {0xAB}}}},
        {"lower-case digits",
         lowerCase(ihex(0, 0xABC0, counting(4, 0xFA))),
         0,
         {{0xABC0, counting(4, 0xFA)}}},
        {"extended segment 0000 is harmless", ihex(2, 0, {0x00, 0x00}), 0, {}},
        {"extended segment with a bad checksum is not checked", ":020000020000FF", 0, {}},
        {"start segment is ignored unchecked", ":0400000300001234FF", 0, {}},
        {"end record type with a longer line", ihex(1, 0, {0x00, 0x00}), 0, {}},
        {"empty line", "", 9, {}},
        {"S-record line", "S1130000", 9, {}},
        {"lower-case end record", ":00000001ff", 1, {}},
        {"data record without bytes", ":0040000000", 1, {}},
        {"lone colon", ":", 1, {}},
        {"12 characters are too short before any other check",
         ihex(0, 0x4000, {0xAB}).substr(0, 12),
         1,
         {}},
        {"count above 16", ihex(0, 0xC000, counting(17)), 2, {}},
        {"count 0x20 is checked before the line length", withChar(c000, 1, '2'), 2, {}},
        {"trailing space", c000 + " ", 3, {}},
        {"one character missing", c000.substr(0, c000.size() - 1), 3, {}},
        {"first type digit not 0", ihex(0x10, 0xC000, sixteen), 4, {}},
        {"extended linear address", ihex(4, 0, {0x00, 0x01}), 10, {}},
        {"type 05", ihex(5, 0, {0x00, 0x00, 0x40, 0x00}), 10, {}},
        {"type 0A is not data", ihex(0x0A, 0xC000, sixteen), 10, {}},
        {"type 0f is not data", lowerCase(ihex(0x0F, 0xC000, sixteen)), 10, {}},
        {"extended segment that moves the data", ihex(2, 0, {0x10, 0x00}), 10, {}},
        {"extended segment with an odd length", ihex(2, 0, {0x00, 0x00, 0x00}), 10, {}},
        {"data record below the image", ihex(0, 0x3FF0, sixteen), 5, {}},
        {"the address is checked before the checksum",
         withChar(ihex(0, 0x3FF0, sixteen), 12, 'E'),
         5,
         {}},
        {"one data digit changed", withChar(c000, 12, 'E'), 8, {}},
        {"checksum digit changed", withChar(c000, c000.size() - 1, 'F'), 8, {}},
        // "1G" would read as 1 and could still balance the sum: refused, never stored.
        {"data character not hexadecimal", withChar(ihex(0, 0x5000, {0x10, 0x00}), 9, 'G'), 8, {}},
    };
    for (const ReaderCase& c : cases) checkCase(c, true);
}

TEST(ReadHexLine, NonHexDataThatBalancesTheChecksumIsStillRefused) {
    // ":02500000" + "1G" (reads as 1) + "00" + checksum computed for the byte value 1.
    const std::string line = ":025000001G00" + ihex(0, 0x5000, {0x01, 0x00}).substr(13);
    MemoryImage image;
    image.clearImage();
    LineReaders readers(image);
    readers.readHexLine(line);
    EXPECT_EQ(readers.intErrorCode, parse_error::kBadChecksum);
    EXPECT_FALSE(image.blnRowUsed(0x500));
}

}  // namespace
}  // namespace velmar
