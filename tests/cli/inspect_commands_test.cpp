// velmar-fw info, dump and checksum, run as a user runs them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "files/firmware_loader.h"
#include "image/blocks.h"
#include "image/checksum.h"
#include "tests/cli/cli_runner.h"
#include "tests/files/record_builders.h"
#include "tests/files/temp_files.h"
#include "wording/step_words.h"

namespace velmar {
namespace {

using testing::CliResult;
using testing::contains;
using testing::runVelmarFw;
using testing::samplePath;

class InspectCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(testing::binDir().empty()) << "VELMAR_BIN_DIR is not set";
        ASSERT_EQ(loadFirmwareFile(samplePath(), sample, scratch).result, 1);
    }
    // Files a dump left beside its output ("NAME.xxxxxx.partial").
    std::vector<std::string> partials() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path("")))
            if (entry.path().filename().string().ends_with(".partial"))
                found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }
    testing::TempDir dir;
    MemoryImage sample;
    MemoryImage scratch;
};

TEST_F(InspectCommands, ExitCodesFollowTheOutcome) {
    const std::string refused = dir.write("refused.hex", "S1130000\r\n");
    const std::string badSum = dir.write("bad-sum.hex", ":0140000000BE\r\n");
    const std::string outside = dir.write("outside.mot", testing::srec(1, 0x2000, {1}));
    const std::string missing = dir.path("missing.mot");
    const std::string out = dir.path("out.bin");
    const std::string copy = dir.write("copy.mot", testing::readFile(samplePath()));
    const std::string linkToCopy = dir.path("link.mot");
    std::filesystem::create_symlink(copy, linkToCopy);
    const std::string hardLink = dir.path("hard.mot");
    std::filesystem::create_hard_link(copy, hardLink);
    const std::string fifo = dir.path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Links in a sticky folder every user may write: one made by this user is followed, one
    // that another user made (to a file, or to a folder on the way) is not.
    const std::string shared = dir.path("shared");
    std::filesystem::create_directory(shared);
    ::chmod(shared.c_str(), 01777);
    const std::string victim = dir.write("victim.bin", "kept");
    std::filesystem::create_symlink(victim, shared + "/trap.bin");
    std::filesystem::create_symlink(dir.path(""), shared + "/folder");
    std::filesystem::create_symlink(dir.path("mine.bin"), shared + "/mine.bin");
    const bool othersLinks = ::lchown((shared + "/trap.bin").c_str(), 4321, 4321) == 0 &&
                             ::lchown((shared + "/folder").c_str(), 4321, 4321) == 0;
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string expectedOut;  // part of stdout ("" when not checked)
        std::string expectedErr;  // part of stderr
    };
    std::vector<Case> cases = {
        {{}, 1, "", "Usage: velmar-fw COMMAND"},
        {{"--help"}, 0, "checksum FILE START STOP", ""},
        {{"--version"}, 0, "velmar-fw 1.", ""},
        {{"help", "dump"}, 0, "Usage: velmar-fw dump FILE -o OUTPUT.bin", ""},
        {{"info", "--help"}, 0, "Usage: velmar-fw info FILE", ""},
        {{"frobnicate"}, 1, "", "unknown command 'frobnicate'"},
        {{"info"}, 1, "", "expects exactly one FILE"},
        {{"info", samplePath(), samplePath()}, 1, "", "expects exactly one FILE"},
        {{"info", refused}, 2, "Error Code = 9 ; 行番号 = 1 (Error)", ""},
        {{"info", "--json", refused}, 2, R"("code":9,"line":1})", "line does not begin with"},
        {{"info", samplePath(), "--jsn"}, 1, "", "unknown option --jsn"},
        {{"info", outside}, 3, "File Open Error (ERROR)", ""},
        {{"info", missing}, 3, "File Open Error", "  " + missing + ": no such file\n"},
        {{"dump", samplePath()}, 1, "", "needs an output file"},
        {{"dump", samplePath(), "-o"}, 1, "", "needs a file name"},
        {{"dump", samplePath(), "-o", out, "--output=" + out}, 1, "", "given twice"},
        {{"dump", refused, "-o", out}, 2, "", "Error Code = 9 ; 行番号 = 1"},
        {{"dump", missing, "-o", out}, 3, "", "File Open Error"},
        {{"dump", samplePath(), "-o", dir.path("no/such/dir/x.bin")},
         4,
         "",
         "x.bin: could not write the image: No such file or directory"},
        {{"dump", samplePath(), "-o", "/dev/full"}, 4, "", "No space left on device"},
        {{"dump", samplePath(), "-o", fifo},
         4,
         "",
         "fifo: could not write the image: is a FIFO "
         "that no program reads"},
        {{"dump", copy, "-o", linkToCopy}, 1, "", "is the firmware file itself"},
        {{"dump", linkToCopy, "-o", hardLink}, 1, "", "is the firmware file itself"},
        {{"checksum", samplePath(), "C000"}, 1, "", "expects FILE START STOP"},
        {{"checksum", samplePath(), "C000", "FFFF", "-x"}, 1, "", "unknown option -x"},
        {{"checksum", samplePath(), "0", "FFFF"}, 1, "", words::kChecksumOutOfRangeMessage},
        {{"checksum", samplePath(), "4000", "24000"}, 1, "", words::kChecksumOutOfRangeMessage},
        {{"checksum", refused, "C000", "FFFF"}, 2, "", "Error Code = 9"},
        {{"checksum", badSum, "C000", "FFFF"},
         2,
         "",
         "Error Code = 8 ; 行番号 = 1 (Error)\n  record checksum wrong"},
        {{"checksum", missing, "C000", "FFFF"}, 3, "", "File Open Error"},
        {{"dump", samplePath(), "-o", shared + "/mine.bin"}, 0, "", ""},
    };
    if (othersLinks) {
        const std::string refused =
            "could not write the image: is reached through a symbolic "
            "link that another user made in a shared folder";
        cases.push_back({{"dump", samplePath(), "-o", shared + "/trap.bin"}, 4, "", refused});
        cases.push_back({{"dump", samplePath(), "-o", shared + "/folder/out.bin"}, 4, "", refused});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::shownCommand(c.args));
        const CliResult result = runVelmarFw(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_TRUE(contains(result.out, c.expectedOut)) << result.out;
        EXPECT_TRUE(contains(result.err, c.expectedErr)) << result.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << "a failed dump must not leave an image";
        EXPECT_TRUE(partials().empty());
    }
    EXPECT_EQ(testing::readFile(copy), testing::readFile(samplePath()));
    EXPECT_EQ(testing::readFile(victim), "kept");
    EXPECT_EQ(testing::readFile(dir.path("mine.bin")).size(), 131072u);
}

TEST_F(InspectCommands, InfoReportsWhatTheWriterWouldSend) {
    const CliResult json = runVelmarFw({"info", samplePath(), "--json"});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    EXPECT_TRUE(contains(json.out, R"("outcome":"loaded")")) << json.out;
    EXPECT_TRUE(contains(json.out, R"("checksum":")" + *checksumText(sample, "C000", "FFFF")));
    const CliResult result = runVelmarFw({"info", samplePath()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    int usedRows = 0;
    for (int32_t row = kFirstRow; row <= kLastRow; ++row) usedRows += sample.blnRowUsed(row);
    const auto blocks = usedBlockRows(sample);
    EXPECT_TRUE(contains(result.out, "Outcome:   loaded\n"));
    EXPECT_TRUE(contains(result.out, "Used rows: " + std::to_string(usedRows) + " of 8192\n"));
    EXPECT_TRUE(contains(result.out, "Blocks:    " + std::to_string(blocks.size()) + " of 120"));
    EXPECT_TRUE(contains(result.out,
                         "Checksum C000-FFFF: " + *checksumText(sample, "C000", "FFFF") + "\n"));
    // Every block address appears, in sending order.
    std::size_t position = 0;
    for (int32_t row : blocks) {
        char address[8];
        std::snprintf(address, sizeof address, "%05X", static_cast<unsigned>(row * 16));
        position = result.out.find(address, position);
        ASSERT_NE(position, std::string::npos) << address;
    }
}

TEST_F(InspectCommands, DumpWritesTheLoadedImage) {
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{"-o", "x"}, {"--output", "x"}, {"--output=x"}}) {
        std::vector<std::string> args = {"dump", samplePath()};
        for (const std::string& option : options)
            args.push_back(option == "x"            ? dir.path("image.bin")
                           : option == "--output=x" ? "--output=" + dir.path("image.bin")
                                                    : option);
        ASSERT_EQ(runVelmarFw(args).exitCode, 0);
        const std::string written = testing::readFile(dir.path("image.bin"));
        const auto expected = sample.bytes();
        ASSERT_EQ(written.size(), expected.size());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), written.begin(),
                               [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); }));
        std::filesystem::remove(dir.path("image.bin"));
    }
}

TEST_F(InspectCommands, DumpReplacesAnOldImageAndWritesLinksInPlace) {
    const std::string out = dir.write("old.bin", std::string(200000, 'x'));
    ::chmod(out.c_str(), 0640);
    // Names a dump might once have used for its new image: neither is touched.
    const std::string victim = dir.write("victim.txt", "keep");
    std::filesystem::create_symlink(victim, out + ".partial");
    dir.write("old.bin.000000.partial", "someone else's");
    ASSERT_EQ(runVelmarFw({"dump", samplePath(), "-o", out}).exitCode, 0);
    EXPECT_EQ(testing::readFile(out).size(), static_cast<std::size_t>(kImageBytes));
    struct stat status {};
    ASSERT_EQ(::stat(out.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(testing::readFile(victim), "keep");
    EXPECT_TRUE(std::filesystem::is_symlink(out + ".partial"));
    EXPECT_EQ(partials(), (std::vector<std::string>{"old.bin.000000.partial", "old.bin.partial"}));

    // A failed load keeps the old image.
    const std::string refused = dir.write("refused.mot", "x");
    ASSERT_EQ(runVelmarFw({"dump", refused, "-o", out}).exitCode, 2);
    EXPECT_EQ(testing::readFile(out).size(), static_cast<std::size_t>(kImageBytes));

    // A link is written through, never replaced by a plain file (nor would a device be).
    const std::string target = dir.write("target.bin", "old");
    const std::string link = dir.path("link.bin");
    std::filesystem::create_symlink(target, link);
    ASSERT_EQ(runVelmarFw({"dump", samplePath(), "-o", link}).exitCode, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(testing::readFile(target).size(), static_cast<std::size_t>(kImageBytes));
}

TEST_F(InspectCommands, ChecksumMatchesThePanelComputation) {
    struct Range {
        const char* start;
        const char* stop;
    };
    for (const Range& r :
         {Range{"C000", "FFFF"}, Range{"c000", "ffff"}, Range{"4000", "4000"},
          Range{"23FFF", "23FFF"}, Range{"FFFF", "C000"}, Range{"4000", "23FFF"}}) {
        const CliResult result = runVelmarFw({"checksum", samplePath(), r.start, r.stop});
        ASSERT_EQ(result.exitCode, 0) << r.start << " " << r.stop << ": " << result.err;
        EXPECT_EQ(result.out, *checksumText(sample, r.start, r.stop) + "\n")
            << r.start << " " << r.stop;
    }
}

}  // namespace
}  // namespace velmar
