// The production rewrite path of the Windows build (WinSerialControl, QtEventWait, LoaderLink,
// runRewrite) against a radio behind a COM port. Started by rewrite_through_com.sh, which puts
// the virtual radio behind $VELMAR_WINWIRE_PORT and compares its flash with the image written
// to $VELMAR_WINWIRE_EXPECTED. With $VELMAR_WINWIRE_HOLD set, the thread is held for 5 s where
// the reply wait of the block after the first half starts, as a held title bar or menu holds
// a window's thread.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <thread>

#include "files/firmware_loader.h"
#include "image/blocks.h"
#include "link/loader_link.h"
#include "platform/qt/qt_event_wait.h"
#include "platform/qt/qt_serial_devices.h"
#include "platform/qt/system_serial_control.h"
#include "protocol/rewrite_sequence.h"

namespace velmar {
namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

class CountingObserver final : public WriteObserver {
  public:
    explicit CountingObserver(std::size_t holdAfter) : holdAfter_(holdAfter) {}
    float progressValue() const override { return value_; }
    void setProgressValue(float value) override { value_ = value; }
    void showRow(int32_t) override {}
    void accepted(int32_t) override {
        if (++accepted_ != holdAfter_) return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [] { std::this_thread::sleep_for(std::chrono::seconds(5)); }, Qt::QueuedConnection);
    }

  private:
    float value_ = 0;
    std::size_t accepted_ = 0;
    std::size_t holdAfter_;
};

// Block frames sent, retries included.
class BlockFrames final : public LinkTrace {
  public:
    void sent(std::span<const uint8_t> bytes, int32_t) override {
        if (bytes.size() == kFrameLength && bytes[2] == 'P' && bytes[3] == 'G') ++count;
    }
    void received(std::span<const uint8_t>, int32_t) override {}
    std::size_t count = 0;
};

TEST(WinWire, TheSampleIsRewrittenThroughTheComPort) {
    const std::string port = variable("VELMAR_WINWIRE_PORT");
    const std::string firmware = variable("VELMAR_WINWIRE_FIRMWARE");
    const std::string expected = variable("VELMAR_WINWIRE_EXPECTED");
    ASSERT_FALSE(port.empty() || firmware.empty() || expected.empty())
        << "set VELMAR_WINWIRE_PORT, VELMAR_WINWIRE_FIRMWARE and VELMAR_WINWIRE_EXPECTED";

    auto image = std::make_unique<MemoryImage>();
    auto scratch = std::make_unique<MemoryImage>();
    ASSERT_EQ(loadFirmwareFile(firmware, *image, *scratch).kind, LoadOutcome::Kind::Loaded);
    const auto bytes = image->bytes();
    std::ofstream(expected, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));

    SystemSerialDeviceSource devices;
    QtPortAssignmentStore store(QString::fromStdString(expected + ".ini"));
    const PortDirectory ports(devices, store);
    SystemSerialControl serial(ports);
    serial.setDevicePath(port);
    QtEventWait wait;
    LoaderLink link(serial, wait);
    BlockFrames frames;
    link.setTrace(&frames);
    const std::size_t blocks = usedBlockRows(*image).size();
    CountingObserver observer(variable("VELMAR_WINWIRE_HOLD").empty() ? 0 : blocks / 2);
    const auto start = std::chrono::steady_clock::now();
    const RewriteOutcome outcome = runRewrite(link, *image, {.port = 1, .observer = observer});
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(outcome.succeeded()) << "stage " << static_cast<int>(outcome.failed) << ", failure "
                                     << static_cast<int>(outcome.failure.kind) << " "
                                     << (outcome.fault() ? outcome.fault()->what() : "");
    EXPECT_TRUE(outcome.endConfirmed);
    EXPECT_EQ(outcome.blocksWritten, blocks);
    EXPECT_EQ(frames.count, blocks) << "a block went again: a wait missed a reply that had come";
    std::printf("rewrite through %s: %zu blocks in %.2f s\n", port.c_str(), outcome.blocksWritten,
                took.count());
}

}  // namespace
}  // namespace velmar

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
