// The option parser every serial command uses, under the three syntaxes the commands declare,
// and velmar-fw write's options on top of it: one port or a station.
#include <gtest/gtest.h>

#include <climits>

#include "cli/command_options.h"
#include "cli/serial_options.h"
#include "cli/write_command.h"
#include "platform/line_settings.h"

namespace velmar::cli {
namespace {

const SerialCommandSyntax kFileAndSpeed{.takesFile = true, .options = kWriteEarlierOptions};
const SerialCommandSyntax kPinLike{.options = kPinOptions};
const OptionRow kWriteLikeOptions[] = {kPortRow, {"--loader", "V", ""}, {"--trace", "FILE", ""}};
const SerialCommandSyntax kWriteLike{.takesFile = true, .options = kWriteLikeOptions};

struct OptionsCase {
    const SerialCommandSyntax* syntax;
    std::vector<std::string> args;
    const char* error;  // part of the error, "" when the arguments are fine
    const char* file = "";
    int16_t port = 1;
    const char* device = nullptr;
    const char* settings = kSettings9600;
    std::map<std::string, std::string> own = {};
};

TEST(SerialCommandOptions, EachSyntaxTakesItsOptionsAndRefusesTheRest) {
    const std::vector<OptionsCase> cases = {
        {&kFileAndSpeed,
         {"fw.mot", "--port", "/dev/pts/3", "--speed", "38400"},
         "",
         "fw.mot",
         1,
         "/dev/pts/3",
         kSettings38400},
        {&kFileAndSpeed,
         {"--speed=4800", "--port=2", "fw.mot"},
         "",
         "fw.mot",
         2,
         nullptr,
         kSettings4800},
        {&kFileAndSpeed, {"fw.mot", "--port", "2", "--speed", "115200"}, "9600, 38400 or 4800"},
        {&kFileAndSpeed, {"fw.mot", "--port", "2", "--speed="}, "option --speed needs a value"},
        {&kFileAndSpeed, {"fw.mot", "--port", "2", "--pin", "1"}, "unknown option --pin"},
        {&kFileAndSpeed, {"--port", "2"}, "expects a firmware FILE"},
        {&kFileAndSpeed, {"a.mot", "--port", "2", "b.mot"}, "expects one FILE"},
        {&kFileAndSpeed, {"fw.mot"}, "expects --port DEVICE or --port N"},
        {&kFileAndSpeed, {"fw.mot", "--port", "0"}, "port 0 never opens"},
        {&kFileAndSpeed, {"fw.mot", "--port", "17"}, "none of the window's ports 1..16"},
        {&kFileAndSpeed, {"fw.mot", "--port", "32768"}, "none of the window's ports 1..16"},
        {&kFileAndSpeed, {"fw.mot", "--port", "st/r1"}, "", "fw.mot", 1, "st/r1"},
        {&kFileAndSpeed, {"fw.mot", "--port"}, "option --port needs a value"},
        // A pin's own options may be empty; a file is not taken.
        {&kPinLike, {"--port", "5", "--pin="}, "", "", 5, nullptr, kSettings9600, {{"--pin", ""}}},
        {&kPinLike,
         {"--port", "5", "--pin", "21", "--op", "high"},
         "",
         "",
         5,
         nullptr,
         kSettings9600,
         {{"--pin", "21"}, {"--op", "high"}}},
        {&kPinLike, {"--port", "5", "--pin", "1", "--pin", "2"}, "option --pin is given twice"},
        {&kPinLike, {"--port", "5", "fw.mot"}, "takes no FILE, got \"fw.mot\""},
        {&kPinLike, {"--port", "", "--pin", "1"}, "option --port needs a value"},
        // The write command: no --speed, and its own options need a value.
        {&kWriteLike,
         {"fw.mot", "--port", "12", "--loader=1.05"},
         "",
         "fw.mot",
         12,
         nullptr,
         kSettings9600,
         {{"--loader", "1.05"}}},
        {&kWriteLike, {"fw.mot", "--port", "1", "--speed", "9600"}, "unknown option --speed"},
        {&kWriteLike, {"fw.mot", "--port", "1", "--trace="}, "option --trace needs a value"},
        {&kWriteLike, {"fw.mot", "--port", "1", "--loader"}, "option --loader needs a value"},
    };
    for (const OptionsCase& c : cases) {
        std::string shown;
        for (const std::string& arg : c.args) shown += arg + " ";
        SCOPED_TRACE(shown);
        const SerialCommandOptionsResult r = parseSerialCommandOptions(c.args, *c.syntax);
        if (*c.error != '\0') {
            EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
            continue;
        }
        ASSERT_EQ(r.error, "");
        EXPECT_EQ(r.options.file, c.file);
        EXPECT_EQ(r.options.portNumber, c.port);
        EXPECT_EQ(r.options.devicePath.has_value(), c.device != nullptr);
        if (c.device != nullptr) {
            EXPECT_EQ(*r.options.devicePath, c.device);
        }
        EXPECT_EQ(r.options.settings, c.settings);
        EXPECT_EQ(r.options.own, c.own);
    }
}

TEST(SerialCommandOptions, PortNumbersAreAllDigitsAndEverythingElseIsAPath) {
    const std::vector<std::pair<std::string, std::optional<int>>> cases = {
        {"3", 3},   {"0", 0},   {"012", 12}, {"32767", 32767},   {"32768", 32768},
        {"-1", {}}, {"3a", {}}, {"", {}},    {"/dev/ttyS0", {}}, {"99999999999", INT_MAX},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(portNumber(text), expected) << text;
}

struct WriteArgsCase {
    std::vector<std::string> args;
    const char* errorPart;  // "" when the arguments are fine
    int16_t port = 0;
    const char* device = nullptr;
    LoaderVersion loader = LoaderVersion::v106OrLater;
    const char* trace = nullptr;
    bool station = false;   // the ports given make the run a station's
    std::size_t ports = 1;  // ranges spread out
    const char* report = nullptr;
};

TEST(WriteArguments, PortNumberOrPathLoaderAndTrace) {
    const std::vector<WriteArgsCase> cases = {
        {{"fw.mot", "--port", "3"}, "", 3},
        {{"fw.mot", "--port=/dev/ttyUSB0"}, "", 1, "/dev/ttyUSB0"},
        {{"--port", "/dev/pts/4", "fw.mot", "--loader", "1.05"},
         "",
         1,
         "/dev/pts/4",
         LoaderVersion::v105},
        {{"fw.mot", "--port", "12", "--loader=1.06", "--trace", "t.txt"},
         "",
         12,
         nullptr,
         LoaderVersion::v106OrLater,
         "t.txt"},
        {{"fw.mot"}, "--port"},
        {{"--port", "3"}, "FILE"},
        {{"fw.mot", "--port", "0"}, "port 0"},
        {{"fw.mot", "--port"}, "needs a value"},
        {{"fw.mot", "--port", ""}, "needs a value"},
        {{"fw.mot", "--port", "3", "--loader", "2.0"}, "1.05 or 1.06"},
        {{"fw.mot", "--port", "3", "--speed", "9600"}, "unknown option"},
        {{"a.mot", "b.mot", "--port", "3"}, "one FILE"},
        {{"fw.mot", "--port", "/dev/tty-1"}, "", 1, "/dev/tty-1"},
        {{"fw.mot", "-p", "3", "-qv"}, "--quiet and --verbose exclude each other"},
        // One port with a report runs as a station of one.
        {{"fw.mot", "--port", "3", "--report=r.json"},
         "",
         3,
         nullptr,
         LoaderVersion::v106OrLater,
         nullptr,
         true,
         1,
         "r.json"},
        // A station of one keeps its trace; its table replaces one port's progress lines.
        {{"fw.mot", "--port", "3", "--report", "r.json", "--trace", "t.txt"},
         "",
         3,
         nullptr,
         LoaderVersion::v106OrLater,
         "t.txt",
         true,
         1,
         "r.json"},
        {{"fw.mot", "--port", "3", "--report", "r.json", "-q"},
         "--quiet and --verbose shape one port's progress lines",
         0,
         nullptr,
         LoaderVersion::v106OrLater,
         nullptr,
         true},
        // A station: several --port values or a range, and one report.
        {{"fw.mot", "--port", "2-4", "--port=/dev/pts/4", "--report", "r.json"},
         "",
         2,
         nullptr,
         LoaderVersion::v106OrLater,
         nullptr,
         true,
         4,
         "r.json"},
        // However --port is spelt, a second one or a range makes a station.
        {{"fw.mot", "-p", "3", "-p", "4"},
         "",
         3,
         nullptr,
         LoaderVersion::v106OrLater,
         nullptr,
         true,
         2},
        {{"fw.mot", "-p", "1-8"}, "", 1, nullptr, LoaderVersion::v106OrLater, nullptr, true, 8},
        {{"fw.mot", "--port", "2-4", "--report", "a", "--report", "r.json"},
         "option --report is given twice",
         0,
         nullptr,
         LoaderVersion::v106OrLater,
         nullptr,
         true},
        {{"fw.mot", "--port", "1", "--port", "2", "--trace", "t.txt"},
         "--trace follows one port",
         0,
         nullptr,
         LoaderVersion::v106OrLater,
         nullptr,
         true},
        {{"fw.mot", "--port", "3-2"},
         "not a range of ports counted from 1",
         0,
         nullptr,
         LoaderVersion::v106OrLater,
         nullptr,
         true},
        {{"fw.mot", "--port", "1", "--port", "9-17"},
         "none of the window's ports",
         0,
         nullptr,
         LoaderVersion::v106OrLater,
         nullptr,
         true},
    };
    for (const WriteArgsCase& c : cases) {
        const WriteOptionsResult r = parseWriteOptions(c.args);
        const std::string label = c.args.empty() ? "" : c.args[0] + " ...";
        if (*c.errorPart != '\0') {
            EXPECT_NE(r.error.find(c.errorPart), std::string::npos) << label << " -> " << r.error;
            continue;
        }
        ASSERT_EQ(r.error, "") << label;
        EXPECT_EQ(r.options.portNumber, c.port) << label;
        EXPECT_EQ(r.options.devicePath.has_value(), c.device != nullptr) << label;
        if (c.device != nullptr) {
            EXPECT_EQ(*r.options.devicePath, c.device) << label;
        }
        EXPECT_EQ(r.options.station, c.station) << label;
        EXPECT_EQ(r.options.loader, c.loader) << label;
        EXPECT_EQ(r.options.tracePath.has_value(), c.trace != nullptr) << label;
        EXPECT_EQ(r.options.ports.size(), c.ports) << label;
        EXPECT_EQ(r.options.reportPath.value_or(""), c.report ? c.report : "") << label;
    }
}

}  // namespace
}  // namespace velmar::cli
