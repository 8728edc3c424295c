// velmar-writer: the window on the real serial port, the real event loop and Qt's dialogs.

#include <QApplication>
#include <QFont>
#include <QIcon>

#include "app/default_firmware_path.h"
#include "app/frm_main.h"
#include "app/qt_dialogs.h"
#include "platform/qt/qt_event_wait.h"
#include "platform/qt/qt_serial_control.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("velmar-writer");
    QApplication::setWindowIcon(QIcon(":/icons/velmar-writer.png"));

    // A Japanese Gothic face for the window's texts, whichever of these is installed.
    QFont font = QApplication::font();
    font.setFamilies({"IPAPGothic", "IPAGothic", "Noto Sans CJK JP", font.family()});
    font.setPointSize(9);
    QApplication::setFont(font);

    velmar::QtSerialControl serial;
    velmar::QtEventWait wait;
    velmar::QtDialogs dialogs;
    const std::string defaultFirmwarePath =
        velmar::defaultFirmwarePath(QApplication::applicationDirPath().toStdString());

    velmar::frmMain window(serial, wait, dialogs, defaultFirmwarePath);
    dialogs.setParentWidget(&window);
    window.formLoad();
    window.show();
    return QApplication::exec();
}
