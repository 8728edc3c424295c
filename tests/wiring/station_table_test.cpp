// The station's table on a terminal: names elided to fit, widths as the terminal counts them.

#include <gtest/gtest.h>

#include <clocale>

#include "cli/station_table.h"
#include "cli/station_text.h"

namespace velmar::cli {
namespace {

class StationTable : public testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr); }
    void TearDown() override { std::setlocale(LC_CTYPE, "C"); }
};

TEST_F(StationTable, ElidesToTheDisplayWidth) {
    struct Case {
        const char* text;
        std::size_t width;
        Elide where;
        std::size_t measured;  // displayWidth(text)
        const char* shown;
    };
    const Case cases[] = {
        {"/dev/ttyUSB0", 20, Elide::Middle, 12, "/dev/ttyUSB0"},
        {"a—b", 3, Elide::Middle, 3, "a—b"},
        {"Réécrit", 7, Elide::End, 7, "Réécrit"},
        {"書き込み成功", 7, Elide::End, 12, "書き込…"},
        // The head has no room for a whole wide character: the tail gets its column.
        {"書き込み成功", 5, Elide::Middle, 12, "…成功"},
        {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0", 26, Elide::Middle, 62,
         "/dev/ser…0K1234-if00-port0"},
        {"Connection failure", 1, Elide::End, 18, "…"},
        {"Connection failure", 0, Elide::End, 18, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(displayWidth(c.text), c.measured);
        const std::string shown = elided(c.text, c.width, c.where);
        EXPECT_EQ(shown, c.shown);
        EXPECT_LE(displayWidth(shown), c.width);
    }
}

std::vector<StationRow> threePorts() {
    const auto now = std::chrono::steady_clock::now();
    std::vector<StationRow> rows(3);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].port = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K123" + std::to_string(i) +
                       "-if00-port0";
        rows[i].device = "/dev/pts/" + std::to_string(10 + i);
        rows[i].total = 112;
        rows[i].started = now;
    }
    rows[0].stage = "write";
    rows[0].accepted = 40;
    rows[1].done = rows[1].succeeded = true;
    rows[1].accepted = 112;
    rows[1].result = "Rewriting success!";
    rows[2].done = true;
    rows[2].result = "Deletion failure";
    rows[2].cause = "the radio answered the erase with a refusal (NAK) three times over";
    return rows;
}

TEST_F(StationTable, EveryLineFitsEightyColumnsAndAFailureShowsItsCause) {
    const std::vector<std::string> lines =
        stationTable(threePorts(), std::chrono::steady_clock::now(), 80);
    ASSERT_EQ(lines.size(), 5u);
    for (const std::string& line : lines) EXPECT_LE(displayWidth(line), 80u) << line;
    EXPECT_NE(lines[1].find("…00-port0  /dev/pts/10  write "), std::string::npos) << lines[1];
    EXPECT_NE(lines[3].find("  Deletion failure (the ra…"), std::string::npos) << lines[3];
    EXPECT_EQ(lines[4], "3 ports: 1 writing, 1 done, 1 failed; 152 of 336 blocks");

    // The line above the table, and a narrow terminal's summary: names give way to results.
    const std::string headline = stationHeadline(
        "/home/technician/firmware/releases/2015-04/Velmar_150421_01_12.mot", 112, 3, 80);
    EXPECT_LE(displayWidth(headline), 80u) << headline;
    EXPECT_TRUE(headline.ends_with("01_12.mot (112 blocks of 1 KiB) to 3 radios")) << headline;
    const std::vector<std::string> summary = stationSummary(threePorts(), 50);
    for (const std::string& line : summary) EXPECT_LE(displayWidth(line), 50u) << line;
    EXPECT_NE(summary[2].find(" Rewriting success!  "), std::string::npos) << summary[2];
}

TEST_F(StationTable, TotalsCountOnlyTheStatesPresent) {
    std::vector<StationRow> rows(1);
    rows[0].total = 112;
    EXPECT_EQ(stationTotals(rows), "1 port: 1 waiting; 0 of 112 blocks");
}

}  // namespace
}  // namespace velmar::cli
