// The option parser every serial command uses, under the three syntaxes the commands declare.
#include <gtest/gtest.h>

#include <climits>

#include "cli/serial_options.h"
#include "platform/line_settings.h"

namespace velmar::cli {
namespace {

const SerialCommandSyntax kFileAndSpeed{.takesFile = true, .own = {}};
const SerialCommandSyntax kPinLike{.own = {{"--pin", true}, {"--op", true}}};
const SerialCommandSyntax kWriteLike{
    .takesFile = true, .takesSpeed = false, .own = {{"--loader"}, {"--trace"}}};

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

TEST(SerialCommandOptions, SeveralPortsAreASecondPortOrARange) {
    const std::vector<std::pair<std::vector<std::string>, bool>> cases = {
        {{"fw.mot", "--port", "3"}, false},
        {{"fw.mot", "--port", "3", "--port=/dev/pts/2"}, true},
        {{"fw.mot", "--port", "1-8"}, true},
        {{"fw.mot", "--port", "/dev/tty-1"}, false},
        {{"fw.mot", "--report", "--port", "--port", "3"}, false},
    };
    for (const auto& [args, several] : cases) EXPECT_EQ(namesSeveralPorts(args), several);
}

}  // namespace
}  // namespace velmar::cli
