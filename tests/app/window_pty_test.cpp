// The real window on the real serial port: velmar-writer's own wiring (Qt serial port, Qt
// event loop) over a pseudo-terminal to velmar-radio, through a full rewrite during which the
// window's thread is held up.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProgressBar>
#include <QThread>

#include "image/blocks.h"
#include "platform/qt/qt_event_wait.h"
#include "platform/qt/qt_serial_control.h"
#include "platform/qt/qt_serial_devices.h"
#include "protocol/current_loader.h"
#include "window_fixture.h"

namespace velmar::testing {
namespace {

QString binDir() {
    return qEnvironmentVariable("VELMAR_BIN_DIR");
}

// velmar-radio on a pseudo-terminal reached through a link in a temporary folder.
class RadioProcess {
  public:
    RadioProcess(const QString& linkPath, const QString& dumpPath, const QString& logPath) {
        process_.setProgram(binDir() + "/velmar-radio");
        process_.setArguments({"--link", linkPath, "--dump", dumpPath, "--log", logPath});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        started_ = process_.waitForStarted(10000);
        // The link appears once the device is ready; a start-up wait, not a measurement.
        const QDeadlineTimer deadline(10000);
        while (started_ && !QFileInfo::exists(linkPath) && !deadline.hasExpired())
            QThread::msleep(10);
        ready_ = started_ && QFileInfo::exists(linkPath);
    }
    ~RadioProcess() { stop(); }

    bool ready() const { return ready_; }
    // SIGTERM: the radio writes its flash dump on the way out.
    bool stop() {
        if (process_.state() == QProcess::NotRunning) return true;
        process_.terminate();
        return process_.waitForFinished(10000);
    }

  private:
    QProcess process_;
    bool started_ = false;
    bool ready_ = false;
};

// The progress bar's value while the block at `firstRow` is written.
int progressAt(int32_t firstRow) {
    int value = 1;
    for (int32_t row = kFirstBlockRow; row != firstRow; row = nextBlockRow(row)) ++value;
    return value;
}

int writeFramesIn(const QString& trafficLog) {
    QFile log(trafficLog);
    if (!log.open(QIODevice::ReadOnly)) return -1;
    int frames = 0;
    while (!log.atEnd()) frames += log.readLine().contains(" write ") ? 1 : 0;
    return frames;
}

TEST(WindowOverPty, RewritesTheVirtualRadioWithTheSampleFirmware) {
    application();
    ASSERT_FALSE(binDir().isEmpty());
    QTemporaryDir dir;
    const QString link = dir.filePath("radio");
    const QString dump = dir.filePath("flash.bin");
    const QString traffic = dir.filePath("traffic.log");
    RadioProcess radio(link, dump, traffic);
    ASSERT_TRUE(radio.ready()) << "velmar-radio did not come up";
    qputenv("VELMAR_COM1", link.toLocal8Bit());

    SystemPorts ports;
    QtSerialControl serial(ports.directory());
    QtEventWait wait;
    ScriptedDialogs dialogs;
    frmMain window(serial, wait, dialogs, (binDir() + "/" + kDefaultName).toStdString());
    window.setPortDirectory(ports.directory());
    window.formLoad();
    ASSERT_TRUE(dialogs.boxes.empty()) << dialogs.boxes.front().text;
    ASSERT_EQ(window.GetCOM(), 1);
    window.show();
    const auto blocks = usedBlockRows(window.image());
    ASSERT_FALSE(blocks.empty());
    // Where the middle block's reply wait starts, a slot holds the window's thread for 5 s; the
    // reply arrives meanwhile and must be taken as the block's own.
    const int heldAt = progressAt(blocks[blocks.size() / 2]);
    QObject::connect(window.findChild<QProgressBar*>("ProgressBar1"), &QProgressBar::valueChanged,
                     &window, [&](int value) {
                         if (value != heldAt) return;
                         QMetaObject::invokeMethod(
                             &window, [] { QThread::msleep(5000); }, Qt::QueuedConnection);
                     });

    button(window, "cmdMacro_0")->click();
    qunsetenv("VELMAR_COM1");

    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].title, "Rewriting of software");
    EXPECT_EQ(dialogs.boxes[1].text, "Rewriting success!") << dialogs.boxes[1].detail;
    EXPECT_EQ(dialogs.boxes[1].title, "Finished");

    ASSERT_TRUE(radio.stop());
    // Each block went once: no wait declared a time-out on a reply that had come.
    EXPECT_EQ(writeFramesIn(traffic), static_cast<int>(blocks.size()));
    QFile flashFile(dump);
    ASSERT_TRUE(flashFile.open(QIODevice::ReadOnly));
    const QByteArray flash = flashFile.readAll();
    ASSERT_EQ(flash.size(), kImageBytes);

    // Every block the writer sends must now hold the image; the range it never sends keeps
    // whatever the erase left.
    const auto image = window.image().bytes();
    for (int32_t row : blocks) {
        const int offset = row * kColumns - kImageFirstAddress;
        for (int i = 0; i < 1024; ++i) {
            if (static_cast<uint8_t>(flash[offset + i]) !=
                image[static_cast<std::size_t>(offset + i)]) {
                ADD_FAILURE() << "flash differs at 0x" << std::hex
                              << (offset + i + kImageFirstAddress);
                return;
            }
        }
    }
}

}  // namespace
}  // namespace velmar::testing
