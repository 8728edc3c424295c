// One velmar-radio process serving three radios, with a fault aimed at the second: each
// device rewrites on its own, and the aimed fault spoils only its radio.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <memory>

#include "files/firmware_loader.h"
#include "image/blocks.h"
#include "protocol/current_loader.h"
#include "wiring/child_process.h"

namespace velmar::wiring {
namespace {

std::string sampleFirmware() {
    const std::string beside = binDir() + "/Velmar_150421_01_12.mot";
    if (std::filesystem::exists(beside)) return beside;
    const char* source = std::getenv("VELMAR_SOURCE_DIR");
    return std::string(source != nullptr ? source : ".") + "/data/Velmar_150421_01_12.mot";
}

TEST(StationRadio, AFaultAimedAtOneRadioSpoilsThatRadioAlone) {
    const std::string dir = makeTempDir();
    BackgroundProcess radio(
        {binDir() + "/velmar-radio", "--count", "3", "--link", dir + "/radio", "--dump",
         dir + "/flash.bin", "--log", dir + "/traffic.log", "--radio", "2", "--fault", "e:2:3"},
        dir + "/radio.err");
    std::vector<std::string> devices;
    for (int i = 0; i < 3; ++i) devices.push_back(radio.readLine());
    for (const std::string& device : devices) ASSERT_FALSE(device.empty());
    EXPECT_NE(devices[0], devices[1]);
    ASSERT_EQ(std::filesystem::read_symlink(dir + "/radio2"), devices[1]);
    const std::string factory = readFile(dir + "/flash2.bin");
    ASSERT_EQ(factory.size(), static_cast<std::size_t>(kImageBytes));

    const auto write = [&](const std::string& port) {
        return runProcess({binDir() + "/velmar-fw", "write", sampleFirmware(), "--port", port});
    };
    const ProcessResult first = write(dir + "/radio1");
    EXPECT_EQ(first.exitCode, 0) << first.out << first.err;
    EXPECT_NE(first.out.find("Rewriting success!"), std::string::npos) << first.out;
    const ProcessResult second = write(dir + "/radio2");
    EXPECT_EQ(second.exitCode, 7) << second.out << second.err;
    EXPECT_NE(second.out.find("Deletion failure"), std::string::npos) << second.out;

    radio.signal(SIGTERM);
    ASSERT_EQ(radio.wait(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir + "/radio1")));

    auto image = std::make_unique<MemoryImage>();
    auto scratch = std::make_unique<MemoryImage>();
    ASSERT_EQ(loadFirmwareFile(sampleFirmware(), *image, *scratch).kind, LoadOutcome::Kind::Loaded);
    const std::array<uint8_t, kImageBytes> expected = image->bytes();
    const std::string flash = readFile(dir + "/flash1.bin");
    ASSERT_EQ(flash.size(), static_cast<std::size_t>(kImageBytes));
    for (int32_t firstRow : blocksToSend(*image)) {
        const std::size_t offset = static_cast<std::size_t>((firstRow - kFirstRow) * kColumns);
        for (std::size_t i = 0; i < static_cast<std::size_t>(kBlockRows * kColumns); ++i)
            ASSERT_EQ(static_cast<uint8_t>(flash[offset + i]), expected[offset + i])
                << "block " << firstRow * 16 << " byte " << i;
    }
    EXPECT_TRUE(readFile(dir + "/flash2.bin") == factory) << "the refused erase changed the flash";
    EXPECT_EQ(readFile(dir + "/traffic3.log"), "") << "radio 3 heard another radio's frames";
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace velmar::wiring
