// velmar-fw hands write, write-earlier and pin to velmar-fw-serial: the hand-over keeps the
// command line, --help stays in velmar-fw, and velmar-fw itself never loads Qt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "tests/cli/cli_runner.h"
#include "tests/files/record_builders.h"
#include "tests/files/temp_files.h"

namespace velmar {
namespace {

using testing::CliResult;
using testing::contains;
using testing::runProgram;
using testing::runVelmarFw;
using testing::shownCommand;

TEST(SerialHandover, HelpAndArgumentsReachTheRightProgram) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* expectedOut;  // part of stdout ("" when not checked)
        const char* expectedErr;  // part of stderr ("" when not checked)
    };
    const std::vector<Case> cases = {
        // Help is velmar-fw's own, for every command.
        {{"--help"}, 0, "write-earlier FILE --port DEVICE|N", ""},
        {{"--help"}, 0, "pin --port DEVICE|N --pin TEXT --op OP", ""},
        {{"write", "--help"}, 0, "Usage: velmar-fw write FILE --port DEVICE|N", ""},
        {{"write-earlier", "fw.mot", "-h"}, 0, "Usage: velmar-fw write-earlier", ""},
        {{"help", "pin"}, 0, "Usage: velmar-fw pin", ""},
        // Everything after the command arrives unchanged in the serial program.
        {{"write"}, 1, "", "velmar-fw write: expects a firmware FILE"},
        {{"write", "fw.mot", "--port", "3", "--speed", "9600"}, 1, "", "unknown option --speed"},
        {{"write", "fw.mot", "--port=3", "--loader", "2.0"}, 1, "", "not \"2.0\""},
        {{"write-earlier", "--port", "0", "fw.mot"}, 1, "", "port 0 never opens"},
        {{"write-earlier", "fw.mot", "--port", "2", "--speed", "115200"}, 1, "", "not \"115200\""},
        {{"pin", "--port", "3"}, 1, "", "velmar-fw pin: expects --pin TEXT"},
        {{"pin", "--port", "3", "--pin", "", "--op", "sideways"}, 1, "", "not \"sideways\""},
        {{"pin", "--port", "3", "--pin", "1", "extra word"},
         1,
         "",
         "takes no FILE, got \"extra word\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(shownCommand(c.args));
        const CliResult result = runVelmarFw(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_TRUE(contains(result.out, c.expectedOut)) << result.out;
        EXPECT_TRUE(contains(result.err, c.expectedErr)) << result.err;
    }
}

TEST(SerialHandover, FindsTheSerialProgramBesideTheRealFileNotTheLink) {
    testing::TempDir dir;
    const std::string link = dir.path("vfw");
    std::filesystem::create_symlink(testing::binDir() + "/velmar-fw", link);
    const CliResult result = runProgram(link, {"pin", "--port", "3"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(contains(result.err, "expects --pin TEXT")) << result.err;
}

TEST(SerialHandover, AMissingSerialProgramIsNamedAndTheFileCommandsStillRun) {
    testing::TempDir dir;
    const std::string alone = dir.path("velmar-fw");
    std::filesystem::copy_file(testing::binDir() + "/velmar-fw", alone);
    for (const char* command : {"write", "write-earlier", "pin"}) {
        SCOPED_TRACE(command);
        const CliResult result = runProgram(alone, {command, "fw.mot", "--port", "3"});
        EXPECT_EQ(result.exitCode, 127);
        EXPECT_TRUE(contains(result.err, "cannot start " + dir.path("velmar-fw-serial")))
            << result.err;
        EXPECT_EQ(result.out, "");
    }
    const CliResult help = runProgram(alone, {"write", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    const CliResult info = runProgram(alone, {"info", testing::samplePath()});
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_TRUE(contains(info.out, "Outcome:   loaded")) << info.out;
}

TEST(SerialHandover, TheSerialProgramAloneOnlyKnowsTheSerialCommands) {
    const std::string serial = testing::binDir() + "/velmar-fw-serial";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"info", "fw.mot"}, {"--help"}}) {
        SCOPED_TRACE(args.empty() ? "(nothing)" : args[0]);
        const CliResult result = runProgram(serial, args);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(contains(result.err, "Usage: velmar-fw-serial write|write-earlier|pin"))
            << result.err;
    }
}

// A port that does not exist: every serial command prints its failure word and says why in
// the same words, with the hint for a numbered port.
TEST(SerialHandover, EverySerialCommandExplainsAPortFaultAlike) {
    testing::TempDir dir;
    const std::string firmware = dir.write("low.mot", testing::srec(1, 0x4000, {1, 2, 3}));
    const std::string device = dir.path("no-such-tty");
    ASSERT_EQ(::setenv("VELMAR_COM7", device.c_str(), 1), 0);
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* shown;  // stdout's last line
    };
    const std::vector<Case> cases = {
        {{"write", firmware, "--port", "7"}, 6, "Connection failure\n"},
        {{"write-earlier", firmware, "--port", "7"}, 7, "消去に失敗しました\n"},
        {{"pin", "--port", "7", "--pin", "1"}, 14, "???\n"},
    };
    for (const Case& c : cases) {
        for (const bool byPath : {false, true}) {
            std::vector<std::string> args = c.args;
            if (byPath) *std::find(args.begin(), args.end(), "7") = device;
            SCOPED_TRACE(shownCommand(args));
            const CliResult result = runVelmarFw(args);
            EXPECT_EQ(result.exitCode, c.exitCode);
            EXPECT_TRUE(result.out.ends_with(c.shown)) << result.out;
            EXPECT_TRUE(
                contains(result.err, "velmar-fw " + args[0] + ": " + device + ": no such device"))
                << result.err;
            EXPECT_EQ(contains(result.err, "(port 7 is " + device + "; VELMAR_COM7=PATH"), !byPath)
                << result.err;
        }
    }
    ::unsetenv("VELMAR_COM7");
}

// The file commands must start without Qt's libraries; only the serial program links them.
TEST(SerialHandover, OnlyTheSerialProgramLinksQt) {
    const CliResult fw = runProgram("ldd", {testing::binDir() + "/velmar-fw"});
    ASSERT_EQ(fw.exitCode, 0) << fw.err;
    EXPECT_TRUE(contains(fw.out, "libc.so")) << fw.out;
    EXPECT_FALSE(contains(fw.out, "Qt")) << fw.out;
    const CliResult serial = runProgram("ldd", {testing::binDir() + "/velmar-fw-serial"});
    ASSERT_EQ(serial.exitCode, 0) << serial.err;
    EXPECT_TRUE(contains(serial.out, "libQt6SerialPort")) << serial.out;
}

}  // namespace
}  // namespace velmar
