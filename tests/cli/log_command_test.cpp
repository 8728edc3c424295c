// velmar-fw log over hand-made service logs: the latest entries read from the end, shown so
// that no logged text can fake a row, and a log that is not a regular file refused at once.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/cli_runner.h"
#include "tests/files/temp_files.h"

namespace velmar {
namespace {

using testing::contains;
using testing::runVelmarFw;

std::string entry(const std::string& time, const std::string& fileJson) {
    return R"({"time":")" + time + R"(","tool":"velmar-fw","file":")" + fileJson + "\"}\n";
}

// A line of a rewrite logged as it began ("begin", result null) or as it ended ("end").
std::string runLine(const std::string& time, const std::string& run, const char* phase,
                    const std::string& resultJson, const std::string& more = "") {
    return R"({"time":")" + time + R"(","run":")" + run + R"(","phase":")" + phase +
           R"(","result":)" + resultJson + more + "}\n";
}

// Rewrites A and B overlap and end in the other order; C never ended; D quit at once.
const std::string kRuns =
    runLine("T1", "a", "begin", "null") + runLine("T2", "b", "begin", "null") +
    runLine("T2", "b", "end", R"("Writing failure")") +
    runLine("T1", "a", "end", R"("Rewriting success!")") + runLine("T3", "c", "begin", "null") +
    runLine("T4", "d", "begin", "null") +
    runLine("T4", "d", "end", "null", R"(,"stage":"erase","blocks_written":0)");

TEST(LogCommand, ShowsTheLatestEntriesFromTheEndWithControlCharactersEscaped) {
    const std::string longName(100 * 1024, 'n');  // spans two of the reader's chunks
    struct Case {
        const char* name;
        std::string log;  // "" for a FIFO in the log's place
        std::vector<std::string> args;
        int exitCode;
        std::vector<std::string> out;  // in this order
        const char* err;
        const char* absent = nullptr;  // from the output
    };
    const std::vector<Case> cases = {
        {"only the last entries, oldest first",
         entry("T1", "one") + entry("T2", "two") + entry("T3", "three"),
         {"--last", "2"},
         0,
         {"T2", "two", "T3", "three"},
         "",
         "T1"},
        {"a name cannot fake a row or send a terminal sequence",
         entry("T1", R"(a\nT9  velmar-fw\tb\u001b[31m\u009b)"),
         {},
         0,
         {R"(a\nT9  velmar-fw\tb\x1b[31m\u009b)"},
         "",
         "\x1b"},
        {"an entry longer than a chunk, and a line too long to be one",
         entry("T1", longName) + std::string(2 * 1024 * 1024, 'x') + "\n" + entry("T2", "two"),
         {"--last", "2"},
         0,
         {"T1", longName, "T2"},
         "skipped 1 line(s)"},
        {"--json gives the chosen entries one per line, whatever the order of the options",
         entry("T1", "one") + entry("T2", "two") + entry("T3", "three"),
         {"--json", "--last", "2"},
         0,
         {R"("time":"T2")", "}\n{", R"("time":"T3")"},
         "",
         "T1"},
        {"a FIFO never blocks the reader", "", {}, 3, {}, "not a regular file (a FIFO)"},
        {"a rewrite's two lines are one entry, in the order the rewrites began",
         kRuns,
         {},
         0,
         {"T1", "Rewriting success!", "T2", "Writing failure", "T3", "?/0", "Interrupted\n", "T4",
          "0/0", "Interrupted during the erase",
          "Interrupted: the rewrite never reached its result: the radio may be erased or "
          "part-written; rewrite it again"},
         ""},
        {"--last counts rewrites, and --json marks the interrupted",
         kRuns,
         {"--last", "2", "--json"},
         0,
         {R"("phase":"begin")", R"("result":null,"run":"c")", R"("interrupted":true,"note":")",
          R"("result":null,"run":"d","seconds":0)", R"("stage":"erase")", R"("interrupted":true)"},
         "",
         "T2"},
        {"a name that is not UTF-8 is shown escaped",
         entry("T1", R"(fw_\udcff\udce9.mot)"),
         {},
         0,
         {R"(fw_\xff\xe9.mot)"},
         ""},
        {"--last says its limit",
         entry("T1", "one"),
         {"--last", "1000000000"},
         1,
         {},
         "--last takes a number of entries from 1 to 999999999"},
    };
    for (const Case& c : cases) {
        testing::TempDir dir;
        const std::string folder = dir.path("velmar-writer");
        std::filesystem::create_directories(folder);
        if (c.log.empty())
            ASSERT_EQ(::mkfifo((folder + "/service.jsonl").c_str(), 0600), 0);
        else
            dir.write("velmar-writer/service.jsonl", c.log);
        ::setenv("XDG_STATE_HOME", dir.path("").c_str(), 1);
        std::vector<std::string> args = {"log"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto run = runVelmarFw(args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name << ": " << run.err;
        std::size_t at = 0;
        for (const std::string& part : c.out) {
            at = run.out.find(part, at);
            ASSERT_NE(at, std::string::npos) << c.name << ": " << part.substr(0, 80);
        }
        if (c.absent != nullptr) {
            EXPECT_FALSE(contains(run.out, c.absent)) << c.name;
        }
        EXPECT_TRUE(contains(run.err, c.err)) << c.name << ": " << run.err;
    }
    ::unsetenv("XDG_STATE_HOME");
}

}  // namespace
}  // namespace velmar
