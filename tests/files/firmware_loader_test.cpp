#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "files/firmware_loader.h"
#include "files/line_readers.h"
#include "tests/files/image_snapshot.h"
#include "tests/files/record_builders.h"
#include "tests/files/temp_files.h"
#include "wording/load_words.h"

namespace velmar {
namespace {

using testing::Bytes;
using testing::counting;
using testing::ihex;
using testing::joinLines;
using testing::srec;
using testing::TempDir;

class FirmwareLoad : public ::testing::Test {
  protected:
    LoadOutcome load(const std::string& path) { return loadFirmwareFile(path, image, scratch); }

    // An image that differs from anything the tests load: cells, flags and row texts.
    void fillWithPreviousFirmware() {
        const std::string previous =
            dir.write("previous.mot",
                      joinLines({srec(2, 0x04000, counting(16, 0x80)),
                                 srec(2, 0x23000, counting(16, 0x20)), srec(2, 0x0C000, {0x00})},
                                "\r\n"));
        ASSERT_EQ(load(previous).result, 1);
        image.hexViewText();  // gives the rows their texts, as the window does after a load
    }

    TempDir dir;
    MemoryImage image;
    MemoryImage scratch;
};

TEST_F(FirmwareLoad, ReaderIsChosenByTheLastThreeLetters) {
    struct Case {
        const char* path;
        bool intelHex;
    };
    for (const Case& c : {Case{"a.hex", true}, Case{"a.HEX", true}, Case{"a.Hex", true},
                          Case{"dir/firmwarehex", true}, Case{"hex", true}, Case{"a.mot", false},
                          Case{"a.s19", false}, Case{"a.txt", false}, Case{"firmware", false},
                          Case{"a.hex.mot", false}, Case{"ex", false}, Case{"", false}})
        EXPECT_EQ(isIntelHexPath(c.path), c.intelHex) << c.path;

    // The contents do not matter: an S-record file named .hex is refused by the HEX reader.
    const std::string line = srec(1, 0x4000, {0x01});
    for (const char* name : {"s.hex", "s.Hex", "shex"}) {
        const LoadOutcome outcome = load(dir.write(name, line + "\r\n"));
        EXPECT_EQ(loadMessage(outcome).text, "Error Code = 9 ; 行番号 = 1") << name;
    }
    for (const char* name : {"s.s19", "s.txt", "s"})
        EXPECT_EQ(load(dir.write(name, line)).result, 1) << name;
}

TEST_F(FirmwareLoad, OutcomesCarryTheWindowMessages) {
    struct Case {
        const char* name;
        std::string contents;
        LoadOutcome::Kind kind;
        int16_t code;
        int32_t lineNumber;
        const char* message;
    };
    const std::string data = ihex(0, 0x4000, counting(16));
    std::string badSum = ihex(0, 0x4100, counting(16));
    badSum[10] = '7';
    const std::vector<Case> cases = {
        {"empty.mot", "", LoadOutcome::Kind::Loaded, 0, 0, ""},
        {"end-only.hex", ":00000001FF\r\n", LoadOutcome::Kind::Loaded, 0, 0, ""},
        {"checksum-on-5.hex", joinLines({data, data, data, data, badSum, data}, "\r\n"),
         LoadOutcome::Kind::Refused, 8, 5, "Error Code = 8 ; 行番号 = 5"},
        {"blank-at-end.mot", joinLines({srec(1, 0x4000, {1}), "S9030000FC", ""}, "\r\n"),
         LoadOutcome::Kind::Refused, 9, 3, "Error Code = 9 ; 行番号 = 3"},
        {"lines-after-end.hex", joinLines({":00000001FF", data, ":0040000000"}, "\r\n"),
         LoadOutcome::Kind::Refused, 1, 3, "Error Code = 1 ; 行番号 = 3"},
        {"below-image.mot", joinLines({srec(1, 0x4000, {1}), srec(1, 0x2000, {2})}, "\r\n"),
         LoadOutcome::Kind::FileOpenError, 0, 2, "File Open Error"},
        {"twelfth-line.hex", joinLines(std::vector<std::string>(11, data), "\n") + ":10\n",
         LoadOutcome::Kind::Refused, 1, 12, "Error Code = 1 ; 行番号 = 12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LoadOutcome outcome = load(dir.write(c.name, c.contents));
        EXPECT_EQ(outcome.kind, c.kind);
        EXPECT_EQ(outcome.result, c.kind == LoadOutcome::Kind::Loaded ? 1 : 0);
        EXPECT_EQ(loadMessage(outcome).text, c.message);
        if (c.kind == LoadOutcome::Kind::Refused) {
            EXPECT_EQ(outcome.code, c.code);
            EXPECT_EQ(outcome.lineNumber, c.lineNumber);
            EXPECT_EQ(loadMessage(outcome).title, "Error");
            EXPECT_EQ(loadMessage(outcome).icon, LoadMessage::Icon::Warning);
        } else if (c.kind == LoadOutcome::Kind::FileOpenError) {
            EXPECT_EQ(loadMessage(outcome).title, "ERROR");
            EXPECT_EQ(loadMessage(outcome).icon, LoadMessage::Icon::Stop);
        }
    }
}

// FIFOs, /dev and /proc are POSIX's.
#ifndef _WIN32
// Nothing but a regular file is read, and nothing blocks on the way: a FIFO without a writer
// or an endless device would hang the load for ever.
TEST_F(FirmwareLoad, FileOpenErrorsNameThePathAndTheCause) {
    const std::string fifo = dir.path("fifo.mot");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string loop = dir.path("loop.mot");
    std::filesystem::create_symlink(loop, loop);
    const std::string locked = dir.write("locked.mot", "S0\r\n");
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    struct Case {
        std::string path;
        FileFault fault;
        const char* cause;  // the detail after "<full path>: "
    };
    std::vector<Case> cases = {
        {dir.path("missing.mot"), FileFault::NoSuchFile, "no such file"},
        {dir.path("sub"), FileFault::IsFolder, "is a folder, not a file"},
        {fifo, FileFault::NotRegularFile, "not a regular file (a FIFO)"},
        {"/dev/zero", FileFault::NotRegularFile, "not a regular file (a device)"},
        {loop, FileFault::SymlinkLoop, "symbolic link loop"},
        // Reading its first page (never mapped) fails with EIO.
        {"/proc/self/mem", FileFault::ReadError, "read error after line 0 (Input/output error)"},
        {dir.write("outside.mot", joinLines({srec(1, 0x4000, {1}), srec(1, 0x2000, {2})}, "\n")),
         FileFault::OutsideImage, "line 2 has data at address 02000, outside the image"},
    };
    if (::geteuid() != 0)  // root opens it all the same
        cases.push_back({locked, FileFault::PermissionDenied, "permission denied"});
    std::filesystem::create_directory(dir.path("sub"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const LoadOutcome outcome = load(c.path);
        EXPECT_EQ(loadMessage(outcome).text, "File Open Error");
        EXPECT_EQ(outcome.fault, c.fault);
        const std::string detail = describeLoadFailure(outcome, c.path);
        EXPECT_EQ(detail.rfind(std::filesystem::absolute(c.path).string() + ": " + c.cause, 0), 0u)
            << detail;
    }
    EXPECT_EQ(describeLoadFailure(load(dir.write("refused.mot", "x")), "refused.mot"), "");
}

// Every exit of the load closes the file: after a few hundred failing loads of every kind the
// process holds as many descriptors as before.
TEST_F(FirmwareLoad, EveryExitClosesTheFile) {
    const auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator());
    };
    const std::string fifo = dir.path("fifo.mot");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::string> failing = {
        dir.write("refused.hex", "S0\r\n"),
        dir.write("outside.mot", srec(1, 0x2000, {2})),
        dir.path("missing.mot"),
        dir.path(""),
        fifo,
        "/dev/zero",
        "/proc/self/mem",
    };
    const auto before = openDescriptors();
    for (int round = 0; round < 50; ++round)
        for (const std::string& path : failing) ASSERT_EQ(load(path).result, 0) << path;
    EXPECT_EQ(openDescriptors(), before);
}
#endif

TEST_F(FirmwareLoad, EmptyFileLeavesAnErasedUnmarkedImage) {
    fillWithPreviousFirmware();
    ASSERT_EQ(load(dir.write("empty.hex", ":00000001FF")).result, 1);
    MemoryImage erased;
    erased.clearImage();
    EXPECT_TRUE(testing::sameCellsAndFlags(image, erased));
}

TEST_F(FirmwareLoad, AFailedLoadLeavesTheImageExactlyAsItWas) {
    fillWithPreviousFirmware();
    const testing::ImageSnapshot before(image);
    std::string badSum = ihex(0, 0x5000, counting(16));
    badSum[12] = 'F';
    const std::vector<std::pair<std::string, std::string>> failing = {
        {"refused.hex", joinLines({ihex(0, 0x6000, counting(16)), badSum}, "\r\n")},
        {"blank.mot", joinLines({srec(2, 0x6000, counting(16)), ""}, "\r\n")},
        {"fault-mid-line.mot",
         joinLines({srec(2, 0x6000, {0}), srec(2, 0x23FF8, counting(16))}, "\n")},
        {"truncated.mot", srec(2, 0x6000, counting(16)).substr(0, 20)},
    };
    for (const auto& [name, contents] : failing) {
        EXPECT_EQ(load(dir.write(name, contents)).result, 0) << name;
        EXPECT_TRUE(testing::ImageSnapshot(image) == before) << name << " changed the image";
    }
    EXPECT_EQ(load(dir.path("missing.mot")).kind, LoadOutcome::Kind::FileOpenError);
    EXPECT_EQ(load(dir.path("")).kind, LoadOutcome::Kind::FileOpenError) << "a directory";
    EXPECT_TRUE(testing::ImageSnapshot(image) == before);
}

TEST_F(FirmwareLoad, MissingFileKeepsTheZeroFilledStartImage) {
    EXPECT_EQ(load(dir.path("Velmar_150421_01_12.mot")).kind, LoadOutcome::Kind::FileOpenError);
    EXPECT_EQ(image.intImage(kFirstRow, 0), 0);
    EXPECT_FALSE(image.blnRowUsed(kFirstRow));
}

TEST_F(FirmwareLoad, ASuccessfulLoadReplacesEverythingOfThePreviousOne) {
    fillWithPreviousFirmware();
    ASSERT_EQ(load(dir.write("next.mot", srec(2, 0x10000, {0x55}))).result, 1);
    MemoryImage expected;
    testing::buildExpected(expected, {{0x10000, {0x55}}});
    EXPECT_TRUE(testing::sameCellsAndFlags(image, expected));
    // And a failure after that keeps the new contents, not the older ones.
    EXPECT_EQ(load(dir.write("bad.mot", "x")).result, 0);
    EXPECT_TRUE(testing::sameCellsAndFlags(image, expected));
}

TEST_F(FirmwareLoad, EveryLineEndStyleLoadsTheSameImage) {
    const std::vector<std::string> lines = {srec(0, 0, {'h'}), srec(2, 0x04000, counting(16)),
                                            srec(2, 0x04010, counting(16, 0x90)),
                                            srec(2, 0x23FF0, counting(16, 0x40)), "S804000000FB"};
    MemoryImage expected;
    testing::buildExpected(
        expected,
        {{0x04000, counting(16)}, {0x04010, counting(16, 0x90)}, {0x23FF0, counting(16, 0x40)}});
    const std::string mixed =
        lines[0] + "\r\n" + lines[1] + "\n" + lines[2] + "\r" + lines[3] + "\r\n" + lines[4];
    const std::vector<std::pair<const char*, std::string>> files = {
        {"crlf", joinLines(lines, "\r\n")},
        {"lf", joinLines(lines, "\n")},
        {"cr", joinLines(lines, "\r")},
        {"mixed, last line without terminator", mixed},
        {"LF between CR LF lines",
         lines[0] + "\r\n" + lines[1] + "\n" + lines[2] + "\r\n" + lines[3] + "\n" + lines[4]},
    };
    for (const auto& [name, contents] : files) {
        SCOPED_TRACE(name);
        EXPECT_EQ(load(dir.write("ends.mot", contents)).result, 1);
        EXPECT_TRUE(testing::sameCellsAndFlags(image, expected));
    }
}

TEST_F(FirmwareLoad, AnEmptyLineIsNumberedWhateverTheLineEnds) {
    const std::string a = srec(1, 0x4000, {1});
    struct Case {
        const char* name;
        std::string contents;
        int32_t emptyLine;
    };
    const std::vector<Case> cases = {
        {"CR LF CR LF", a + "\r\n\r\n" + a, 2},
        {"LF LF", a + "\n\n" + a, 2},
        {"CR CR", a + "\r\r" + a, 2},
        {"LF CR is two ends", a + "\n\r" + a, 2},
        {"CR CR LF", a + "\r\r\n" + a, 2},
        {"empty first line", "\r\n" + a, 1},
        {"two blank lines at the end", a + "\n" + a + "\n\n\n", 3},
    };
    for (const Case& c : cases) {
        const LoadOutcome outcome = load(dir.write("blank.mot", c.contents));
        EXPECT_EQ(outcome.code, parse_error::kBadStart) << c.name;
        EXPECT_EQ(outcome.lineNumber, c.emptyLine) << c.name;
    }
}

// The file is read in chunks; lines and CR LF pairs that straddle a chunk edge must read the
// same as anywhere else. The padding line moves the edge through the following lines.
TEST_F(FirmwareLoad, LinesAcrossReadChunksAreReadWhole) {
    const std::string record = srec(2, 0x04000, counting(16));
    for (std::size_t padding : {65531u, 65532u, 65533u, 65534u, 65535u, 65536u, 65520u, 200000u}) {
        SCOPED_TRACE(padding);
        std::string header = "S0";
        header.resize(padding, 'A');  // an S0 line is read unchecked, whatever its length
        std::string contents = header + "\r\n" + record + "\r\n" + record + "\r\n";
        EXPECT_EQ(load(dir.write("edge.mot", contents)).result, 1);
        EXPECT_EQ(image.intImage(1024, 15), 0x1F);

        contents += "\r\n";  // one empty line: it must be line 4, not an artefact of the edge
        const LoadOutcome outcome = load(dir.write("edge.mot", contents));
        EXPECT_EQ(outcome.code, parse_error::kBadStart);
        EXPECT_EQ(outcome.lineNumber, 4);
    }
}

TEST_F(FirmwareLoad, OverlongLinesAreJudgedAsTheReadersWould) {
    std::string longHex = ihex(0, 0x4000, counting(16));
    longHex.append(70000, '0');
    std::string longMot = srec(2, 0x4000, counting(16));
    longMot.append(70000, ' ');
    const std::string longGarbage = "S" + std::string(70000, '1');  // sums to 0x32, not 0xFF
    EXPECT_EQ(load(dir.write("long.hex", longHex)).code, parse_error::kLengthMismatch);
    EXPECT_EQ(load(dir.write("long.mot", "S0\r\n" + longMot)).result, 1);
    EXPECT_EQ(image.intImage(1024, 0), 0x10);
    EXPECT_EQ(load(dir.write("garbage.mot", longGarbage)).code, parse_error::kBadChecksum);
}

TEST_F(FirmwareLoad, FullImageFileFillsEveryRow) {
    std::string contents;
    Bytes expectedBytes;
    for (uint32_t address = 0x04000; address <= 0x23FF0; address += 16) {
        Bytes row = counting(16, static_cast<uint8_t>(address >> 4));
        for (uint8_t& b : row)
            if (b == 0xFF) b = 0x00;  // keep every row marked
        contents += srec(2, address, row) + "\r\n";
        expectedBytes.insert(expectedBytes.end(), row.begin(), row.end());
    }
    ASSERT_EQ(load(dir.write("full.mot", contents)).result, 1);
    const auto bytes = image.bytes();
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), expectedBytes.begin(), expectedBytes.end()));
    for (int32_t row = kFirstRow; row <= kLastRow; ++row) ASSERT_TRUE(image.blnRowUsed(row)) << row;
}

}  // namespace
}  // namespace velmar
