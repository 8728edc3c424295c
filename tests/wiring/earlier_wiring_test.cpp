// velmar-fw write-earlier against velmar-radio --earlier over a real pseudo-terminal. Every
// exchange of the earlier loader waits the whole 2.5 s, so the image holds two rows only.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "tests/files/record_builders.h"
#include "wiring/child_process.h"

namespace velmar::wiring {
namespace {

constexpr std::size_t kFlashBase = 0x4000;

std::string s1Record(uint16_t address, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> body{static_cast<uint8_t>(data.size() + 3),
                              static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)};
    body.insert(body.end(), data.begin(), data.end());
    unsigned sum = 0;
    std::string text = "S1";
    char hex[3];
    for (uint8_t b : body) {
        sum += b;
        std::snprintf(hex, sizeof hex, "%02X", b);
        text += hex;
    }
    std::snprintf(hex, sizeof hex, "%02X", ~sum & 0xFFu);
    return text + hex;
}

std::vector<uint8_t> rowData(uint8_t seed) {
    std::vector<uint8_t> row;
    for (int i = 0; i < 16; ++i) row.push_back(static_cast<uint8_t>(seed + i * 9));
    return row;
}

TEST(EarlierWiring, EraseRowsAndEndReachTheRadiosFlash) {
    const std::string dir = makeTempDir();
    const std::string firmware = dir + "/two_rows.mot";
    const std::vector<std::pair<uint16_t, std::vector<uint8_t>>> rows = {{0x4000, rowData(0x11)},
                                                                         {0x9A50, rowData(0x80)}};
    {
        std::ofstream out(firmware);
        for (const auto& [address, data] : rows) out << s1Record(address, data) << "\n";
        out << "S9030000FC\n";
    }
    // The radio garbles its echo of the first row once: the tool must answer "NG" and send
    // the row again.
    BackgroundProcess radio({binDir() + "/velmar-radio", "--earlier", "--dump", dir + "/flash.bin",
                             "--log", dir + "/traffic.log", "--fault", "corrupt:2"},
                            dir + "/radio.err");
    const std::string device = radio.readLine();
    ASSERT_FALSE(device.empty());

    const ProcessResult run = runProcess(
        {binDir() + "/velmar-fw", "write-earlier", firmware, "--port", device, "--speed", "4800"});
    EXPECT_FALSE(run.killedByGuard);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Writing 2 rows"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("about 0:15"), std::string::npos) << run.out;
    for (const char* message : {"消去しました", "書込成功", "切断しました"})
        EXPECT_NE(run.out.find(message), std::string::npos) << message << "\n" << run.out;
    EXPECT_NE(run.out.find("row 09A50 written (2 of 2)"), std::string::npos) << run.out;

    radio.signal(SIGTERM);
    ASSERT_EQ(radio.wait(), 0);
    const std::string flash = readFile(dir + "/flash.bin");
    ASSERT_EQ(flash.size(), 0x20000u);
    for (std::size_t i = 0; i < flash.size(); ++i) {
        uint8_t expected = 0xFF;  // erased by the earlier loader's erase request
        for (const auto& [address, data] : rows)
            if (i + kFlashBase >= address && i + kFlashBase < address + 16u)
                expected = data[i + kFlashBase - address];
        ASSERT_EQ(static_cast<uint8_t>(flash[i]), expected) << "address " << i + kFlashBase;
    }
    const std::string log = readFile(dir + "/traffic.log");
    EXPECT_EQ(log.find("WRONG SPEED"), std::string::npos) << log;
    EXPECT_NE(log.find("earlier erase 4 bytes at 38400 baud"), std::string::npos) << log;
    EXPECT_NE(log.find("earlier NG 4 bytes"), std::string::npos) << log;
    EXPECT_NE(log.find("earlier row 09A50 20 bytes at 38400 baud: echo"), std::string::npos) << log;
    EXPECT_NE(log.find("earlier end 4 bytes"), std::string::npos) << log;
    std::filesystem::remove_all(dir);
}

// The row frame has a 16-bit address: data above 0xFFFF, also in rows the write never looks at,
// is refused before any port is opened (the port named here does not exist).
TEST(EarlierWiring, DataAbove16BitsIsRefusedBeforeAnythingIsSent) {
    const std::string dir = makeTempDir();
    using testing::srec;
    const std::vector<std::pair<std::string, std::string>> files = {
        {"only-at-23C10.mot", srec(2, 0x23C10, rowData(0x31))},
        {"mixed.mot", srec(2, 0x4000, rowData(0x11)) + "\n" + srec(2, 0x10000, rowData(0x22)) +
                          "\n" + srec(2, 0x23C10, rowData(0x31))},
    };
    for (const auto& [name, contents] : files) {
        SCOPED_TRACE(name);
        const std::string firmware = dir + "/" + name;
        std::ofstream(firmware) << contents << "\n";
        const ProcessResult run = runProcess(
            {binDir() + "/velmar-fw", "write-earlier", firmware, "--port", dir + "/no-such-port"});
        EXPECT_EQ(run.exitCode, 11) << run.out << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("data up to address 23C1F"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("only up to 0FFFF"), std::string::npos) << run.err;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace velmar::wiring
