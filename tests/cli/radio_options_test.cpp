// velmar-radio's command line: its fault rules and its option table.

#include <gtest/gtest.h>

#include "sim/radio_options.h"

namespace velmar::sim {
namespace {

struct FaultCase {
    const char* text;
    bool valid;
    FaultKind kind = FaultKind::Drop;
    int frame = 0;
    int count = 1;
    std::size_t keep = 0;
    int delayMs = 0;
    std::size_t extra = 0;
    uint8_t status = 'X';
};

TEST(FaultRuleParsing, ReadsEveryKindAndRefusesTheMalformed) {
    const std::vector<FaultCase> cases = {
        {"drop:3", true, FaultKind::Drop, 3},
        {"drop:3:4", true, FaultKind::Drop, 3, 4},
        {"corrupt:7", true, FaultKind::Corrupt, 7},
        {"e:6:2", true, FaultKind::AnswerE, 6, 2},
        {"E:1", true, FaultKind::AnswerE, 1},
        {"shorten:2:100", true, FaultKind::Shorten, 2, 1, 100},
        {"shorten:2:0:3", true, FaultKind::Shorten, 2, 3, 0},
        {"delay:4:3000", true, FaultKind::Delay, 4, 1, 0, 3000},
        {"long:5:9", true, FaultKind::Lengthen, 5, 1, 0, 0, 9},
        {"status:5:R", true, FaultKind::Status, 5, 1, 0, 0, 0, 'R'},
        {"status:5:R:2", true, FaultKind::Status, 5, 2, 0, 0, 0, 'R'},
        {"unwritten:4:2700:2", true, FaultKind::Unwritten, 4, 2, 0, 2700},
        {"twice:3", true, FaultKind::Twice, 3},
        {"foreign:6", true, FaultKind::Foreign, 6},
        {"drop", false},
        {"drop:", false},
        {"drop:0", false},
        {"drop:-1", false},
        {"drop:3:0", false},
        {"drop:3:1:1", false},
        {"shorten:2", false},
        {"delay:4:soon", false},
        {"status:5:RR", false},
        {"status:5:", false},
        {"melt:2", false},
        {"e:2x", false},
    };
    for (const FaultCase& c : cases) {
        const std::optional<FaultRule> rule = parseFaultRule(c.text);
        ASSERT_EQ(rule.has_value(), c.valid) << c.text;
        if (!rule) continue;
        EXPECT_EQ(rule->kind, c.kind) << c.text;
        EXPECT_EQ(rule->frame, c.frame) << c.text;
        EXPECT_EQ(rule->count, c.count) << c.text;
        EXPECT_EQ(rule->keepBytes, c.keep) << c.text;
        EXPECT_EQ(rule->delay.count(), c.delayMs) << c.text;
        EXPECT_EQ(rule->extraBytes, c.extra) << c.text;
        if (c.kind == FaultKind::Status) {
            EXPECT_EQ(rule->status, c.status) << c.text;
        }
    }
}

TEST(RadioOptionParsing, CollectsOptionsInBothSpellings) {
    const RadioOptionsResult r = parseRadioOptions(
        {"--link", "/tmp/radio", "--pace", "--log=/tmp/log", "--dump", "/tmp/flash.bin", "--loader",
         "1.05", "--fault", "drop:3", "--fault=e:4:2", "--silent-from", "9", "--vanish-at=12",
         "--idle-ms", "150"});
    ASSERT_EQ(r.error, "");
    const RadioOptions& o = r.options;
    EXPECT_EQ(o.linkPath, "/tmp/radio");
    EXPECT_TRUE(o.paced);
    EXPECT_EQ(o.logPath, "/tmp/log");
    EXPECT_EQ(o.dumpPath, "/tmp/flash.bin");
    EXPECT_EQ(o.connectAnswer, RadioModel::ConnectAnswer::Zero);
    ASSERT_EQ(o.faults.rules.size(), 2u);
    EXPECT_EQ(o.faults.rules[1].kind, FaultKind::AnswerE);
    EXPECT_EQ(o.faults.rules[1].count, 2);
    EXPECT_EQ(o.faults.silentFromFrame, 9);
    EXPECT_EQ(o.faults.vanishAtFrame, 12);
    EXPECT_EQ(o.idleMilliseconds, 150);
    EXPECT_FALSE(o.help);
    // One radio keeps its files' names as given.
    ASSERT_EQ(r.radios.size(), 1u);
    EXPECT_EQ(r.radios[0].linkPath, "/tmp/radio");
    EXPECT_EQ(r.radios[0].dumpPath, "/tmp/flash.bin");
    EXPECT_EQ(r.radios[0].faults.rules.size(), 2u);
}

TEST(RadioOptionParsing, AimsRadioOptionsAtOneRadioAndNumbersItsFiles) {
    const RadioOptionsResult r =
        parseRadioOptions({"--fault", "drop:1", "--radio", "2", "--fault", "e:2:3", "--vanish-at",
                           "9", "--link", "/tmp/radio", "--radio=3", "--loader", "1.05", "--count",
                           "3", "--dump", "/tmp/flash.bin", "--log", "/tmp/v.d/traffic"});
    ASSERT_EQ(r.error, "");
    struct Expected {
        const char* link;
        const char* dump;
        const char* log;
        std::size_t rules;
        int vanishAt;
        RadioModel::ConnectAnswer answer;
    };
    using enum RadioModel::ConnectAnswer;
    const std::vector<Expected> expected = {
        {"/tmp/radio1", "/tmp/flash1.bin", "/tmp/v.d/traffic1", 1, 0, C},
        {"/tmp/radio2", "/tmp/flash2.bin", "/tmp/v.d/traffic2", 2, 9, C},
        {"/tmp/radio3", "/tmp/flash3.bin", "/tmp/v.d/traffic3", 1, 0, Zero},
    };
    ASSERT_EQ(r.radios.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const RadioOptions& radio = r.radios[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(e.link);
        EXPECT_EQ(radio.linkPath, e.link);
        EXPECT_EQ(radio.dumpPath, e.dump);
        EXPECT_EQ(radio.logPath, e.log);
        EXPECT_EQ(radio.faults.rules.size(), e.rules);
        EXPECT_EQ(radio.faults.vanishAtFrame, e.vanishAt);
        EXPECT_EQ(radio.connectAnswer, e.answer);
    }
    EXPECT_EQ(r.radios[1].faults.rules[1].kind, FaultKind::AnswerE);
    EXPECT_EQ(r.radios[1].faults.rules[1].count, 3);
}

TEST(RadioOptionParsing, RefusesWhatItCannotUse) {
    const std::vector<std::vector<std::string>> bad = {
        {"--speed", "9600"},
        {"--link"},
        {"--loader", "1.07"},
        {"--fault", "melt:1"},
        {"--silent-from", "0"},
        {"--vanish-at", "x"},
        {"--pace=yes"},
        {"--idle-ms", "-5"},
        {"stray"},
        {"--count", "0"},
        {"--count", "65"},
        {"--radio", "0"},
        {"--count", "2", "--radio", "3", "--fault", "e:1"},
        {"--radio", "2", "--fault", "melt:1", "--count", "2"},
    };
    for (const auto& args : bad) {
        const RadioOptionsResult r = parseRadioOptions(args);
        EXPECT_NE(r.error, "") << args[0];
    }
}

TEST(RadioOptionParsing, HelpNamesEveryOptionWithinEightyColumns) {
    const std::string help = radioHelpText();
    for (const char* option :
         {"--link", "--pace", "--log", "--dump", "--loader", "--fault", "--silent-from",
          "--vanish-at", "--idle-ms", "--count", "--radio", "--help"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    std::size_t start = 0;
    while (start < help.size()) {
        const std::size_t end = help.find('\n', start);
        EXPECT_LE(end - start, 80u) << help.substr(start, end - start);
        start = end + 1;
    }
}

}  // namespace
}  // namespace velmar::sim
