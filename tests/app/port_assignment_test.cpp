// The saved port assignments in a settings file, the assignment dialog's OK and Cancel, and
// the port list's tooltips, over a fake device list.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>

#include "app/port_assignment_dialog.h"
#include "app/port_combo_box.h"
#include "platform/qt/qt_serial_devices.h"

namespace velmar::testing {
namespace {

class FakeDevices : public SerialDeviceSource {
  public:
    std::vector<SerialDeviceInfo> devices() const override { return list; }
    std::vector<SerialDeviceInfo> list;
};

const SerialDeviceInfo kAdapter{
    "/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_A", "FT232R USB UART", "FTDI", "A", 0x0403,
    0x6001,         DeviceKind::UsbAdapter,         std::nullopt};
const SerialDeviceInfo kModem{"/dev/ttyACM0",       "",          "", "", "", {}, {},
                              DeviceKind::AcmModem, std::nullopt};

struct Bench {
    QTemporaryDir folder;
    FakeDevices devices;
    QtPortAssignmentStore store{folder.filePath("ports.ini")};
    PortDirectory directory{devices, store};
};

TEST(PortAssignmentStore, SavesReplacesAndReadsBack) {
    Bench bench;
    EXPECT_TRUE(bench.store.load().empty());
    const PortAssignments first = {{1, kAdapter.stablePath}, {16, "/dev/ttyS3"}};
    ASSERT_TRUE(bench.store.save(first));
    EXPECT_EQ(QtPortAssignmentStore(bench.folder.filePath("ports.ini")).load(), first);
    ASSERT_TRUE(bench.store.save({{2, "/dev/ttyUSB7"}}));
    EXPECT_EQ(bench.store.load(), (PortAssignments{{2, "/dev/ttyUSB7"}}));

    QtPortAssignmentStore unwritable(bench.folder.filePath("ports.ini/inside.ini"));
    EXPECT_FALSE(unwritable.save(first));
#ifndef _WIN32  // Windows has no FIFOs in its file system.
    // Opening a FIFO to write would wait for a reader.
    ASSERT_EQ(::mkfifo(bench.folder.filePath("fifo.ini").toLocal8Bit().constData(), 0600), 0);
    EXPECT_FALSE(QtPortAssignmentStore(bench.folder.filePath("fifo.ini")).save(first));
#endif
}

TEST(PortAssignmentDialog, OkSavesTheRowsAndCancelKeepsTheFile) {
    Bench bench;
    bench.devices.list = {kModem, kAdapter};
    ASSERT_TRUE(bench.store.save({{3, "/dev/serial/by-id/usb-GONE"}}));
    {
        PortAssignmentDialog dialog(bench.directory);
        // The saved but absent device is offered, marked, and chosen.
        EXPECT_EQ(dialog.row(3)->currentText().toStdString(),
                  "/dev/serial/by-id/usb-GONE（未接続）");
        dialog.row(1)->setCurrentIndex(
            dialog.row(1)->findData(QString::fromStdString(kAdapter.stablePath)));
        dialog.row(2)->lineEdit()->setText("/dev/ttyS9");  // typed
        dialog.row(3)->setCurrentIndex(0);                 // automatic
        dialog.reject();
    }
    EXPECT_EQ(bench.store.load(), (PortAssignments{{3, "/dev/serial/by-id/usb-GONE"}}));

    PortAssignmentDialog dialog(bench.directory);
    dialog.row(1)->setCurrentIndex(
        dialog.row(1)->findData(QString::fromStdString(kAdapter.stablePath)));
    dialog.row(2)->lineEdit()->setText("/dev/ttyS9");
    dialog.row(3)->setCurrentIndex(0);
    bench.devices.list = {kAdapter};  // the modem goes; the rows keep their choices
    dialog.rescan();
    EXPECT_EQ(dialog.row(1)->count(), 2);
    dialog.accept();
    EXPECT_EQ(bench.store.load(), (PortAssignments{{1, kAdapter.stablePath}, {2, "/dev/ttyS9"}}));
    EXPECT_EQ(bench.directory.deviceFor(1), kAdapter.stablePath);
}

TEST(PortTooltip, NamesTheDeviceWhatItIsAndWhetherItIsConnected) {
    const struct {
        ResolvedPort port;
        std::string expected;
    } cases[] = {
        {{1, "/dev/ttyUSB0", PortSource::Automatic, true, kAdapter},
         "/dev/ttyUSB0: FT232R USB UART, FTDI, serial A, 0403:6001"},
        {{1, kAdapter.stablePath, PortSource::Saved, true, kAdapter},
         kAdapter.stablePath + " = /dev/ttyUSB0: FT232R USB UART, FTDI, serial A, 0403:6001"},
        {{2, "/dev/serial/by-id/usb-GONE", PortSource::Saved, false, std::nullopt},
         "/dev/serial/by-id/usb-GONE（未接続）"},
        {{3, "", PortSource::Automatic, false, std::nullopt}, "装置がつながっていません"},
        {{4, "", PortSource::Unreadable, false, std::nullopt},
         "何も開きません。保存した割り当てを読めません（理由は velmar-fw ports で分かります）"},
    };
    for (const auto& c : cases) EXPECT_EQ(portTooltip(c.port).toStdString(), c.expected);

    // The list asks its directory again each time it opens.
    Bench bench;
    PortComboBox list;
    for (int i = 0; i < 2; ++i) list.addItem(QString("COM %1").arg(i + 1, 2));
    list.setPortDirectory(&bench.directory);
#ifdef _WIN32
    // Windows' COM n is COMn itself, connected or not.
    const std::string absent = "COM1（未接続）";
    SerialDeviceInfo present = kModem;
    present.path = "COM1";
#else
    const std::string absent = "装置がつながっていません";
    const SerialDeviceInfo present = kModem;
#endif
    list.refreshTooltips();
    EXPECT_EQ(list.itemData(0, Qt::ToolTipRole).toString().toStdString(), absent);
    bench.devices.list = {present};
    list.showPopup();
    EXPECT_EQ(list.itemData(0, Qt::ToolTipRole).toString().toStdString(), present.path);
}

}  // namespace
}  // namespace velmar::testing
