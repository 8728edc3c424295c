// velmar-fw pin against velmar-radio over a real pseudo-terminal: the pin keeps the state the
// commands give it, and every result word comes back with its exit code.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "wiring/child_process.h"

namespace velmar::wiring {
namespace {

TEST(PinWiring, CommandsDriveAndReadBackAPin) {
    const std::string dir = makeTempDir();
    // Frame 6 goes unanswered: the tool shows "???" after its 2.5 s wait.
    BackgroundProcess radio({binDir() + "/velmar-radio", "--pin-low", "21", "--log",
                             dir + "/traffic.log", "--fault", "drop:6"},
                            dir + "/radio.err");
    const std::string device = radio.readLine();
    ASSERT_FALSE(device.empty());

    struct Step {
        std::vector<std::string> args;
        const char* shown;
        int exitCode;
    };
    const std::vector<Step> steps = {
        {{"--pin", "21", "--op", "read"}, "L入力", 0},
        {{"--pin", "21", "--op", "high", "--speed", "4800"}, "OK", 0},
        {{"--pin", "21"}, "H出力", 0},
        {{"--pin", "99", "--op", "low"}, "NG", 13},
        {{"--pin=", "--op", "input", "--speed", "38400"}, "NG", 13},
        {{"--pin", "21", "--op", "read"}, "???", 14},
        {{"--pin", "21", "--op", "low"}, "OK", 0},
        {{"--pin", "21", "--op", "read"}, "L出力", 0},
        // A CR inside the text would end the command early: refused, nothing sent.
        {{"--pin", "210\r", "--op", "read"}, "", 1},
    };
    for (const Step& step : steps) {
        std::vector<std::string> argv = {binDir() + "/velmar-fw", "pin", "--port", device};
        argv.insert(argv.end(), step.args.begin(), step.args.end());
        const ProcessResult run = runProcess(argv);
        EXPECT_FALSE(run.killedByGuard);
        EXPECT_EQ(run.out, *step.shown ? std::string(step.shown) + "\n" : "") << run.err;
        EXPECT_EQ(run.exitCode, step.exitCode) << step.shown;
    }
    radio.signal(SIGTERM);
    ASSERT_EQ(radio.wait(), 0);
    const std::string log = readFile(dir + "/traffic.log");
    EXPECT_NE(log.find("pin \"21\" op 1 8 bytes at 4800 baud: OK"), std::string::npos) << log;
    EXPECT_NE(log.find("pin \"\" op 2 6 bytes at 38400 baud: NG"), std::string::npos) << log;
    EXPECT_EQ(log.find("pin \"210"), std::string::npos) << log;
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace velmar::wiring
