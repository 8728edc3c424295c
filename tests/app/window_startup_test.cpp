// Start-up, the port list and port menu, the layout, and the panels that need no radio.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCryptographicHash>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTableWidget>
#include <QTest>
#include <QUrl>

#include "app/port_combo_box.h"
#include "app/recent_folder.h"
#include "app/service_record_dialog.h"
#include "app/termination_signals.h"
#include "platform/qt/qt_serial_devices.h"
#include "records/service_log.h"

#include "app/twips.h"
#include "raise_termination.h"
#include "window_fixture.h"

namespace velmar::testing {
namespace {

class WindowStartup : public ::testing::Test {
  protected:
    void SetUp() override { application(); }

    std::unique_ptr<frmMain> makeWindow(const std::string& defaultPath) {
        auto window = std::make_unique<frmMain>(line, wait, dialogs, defaultPath);
        window->formLoad();
        return window;
    }

    std::vector<QString> portEntries(const frmMain& window) const {
        auto* list = control<QComboBox>(window, "cmbCOM");
        std::vector<QString> entries;
        for (int i = 0; i < list->count(); ++i) entries.push_back(list->itemText(i));
        return entries;
    }

    std::vector<int> checkedPortMenuEntries(const frmMain& window) const {
        std::vector<int> checked;
        for (int i = 1; i <= 10; ++i)
            if (action(window, QString("mnuCom_%1").arg(i).toLatin1().constData())->isChecked())
                checked.push_back(i);
        return checked;
    }

    FirmwareFolder folder;
    AbsentLine line;
    ExpiringWait wait;
    ScriptedDialogs dialogs;
};

TEST_F(WindowStartup, DefaultFileLoadsAndFillsThePortList) {
    const auto path = folder.write(kDefaultName, {srec(2, 0x4000, {0x12, 0x34}), "S9030000FC"});
    auto window = makeWindow(path);

    EXPECT_TRUE(dialogs.boxes.empty());
    const std::vector<QString> expected = {
        "COM  1", "COM  2", "COM  3", "COM  4", "COM  5", "COM  6", "COM  7", "COM  8",
        "COM  9", "COM 10", "COM 11", "COM 12", "COM 13", "COM 14", "COM 15", "COM 16"};
    EXPECT_EQ(portEntries(*window), expected);
    EXPECT_EQ(control<QComboBox>(*window, "cmbCOM")->currentText(), "COM  1");
    EXPECT_EQ(window->GetCOM(), 1);
    EXPECT_EQ(checkedPortMenuEntries(*window), std::vector<int>{1});
    EXPECT_EQ(window->image().intImage(1024, 0), 0x12);
    EXPECT_EQ(window->image().intImage(1024, 1), 0x34);
    EXPECT_EQ(window->image().intImage(1024, 2), 255);

    EXPECT_TRUE(control<QRadioButton>(*window, "optVersion_1")->isChecked());
    EXPECT_FALSE(control<QRadioButton>(*window, "optVersion_0")->isChecked());
    EXPECT_TRUE(control<QRadioButton>(*window, "optBPS_0")->isChecked());
    EXPECT_TRUE(control<QRadioButton>(*window, "port_3")->isChecked());
    EXPECT_TRUE(control<QProgressBar>(*window, "ProgressBar1")->isHidden());
    EXPECT_EQ(button(*window, "cmdMacro_0")->text(), "Write Ver.01.12");
    EXPECT_EQ(window->windowTitle(), "Velmar Software Writer (Version 01.12)");
    EXPECT_EQ(window->MousePointer(), frmMain::kDefaultPointer);

    // The hex view shows the loaded bytes in its first row.
    const QString view = control<QPlainTextEdit>(*window, "txtMemory")->toPlainText();
    EXPECT_TRUE(view.contains("04000  12 34 FF")) << view.left(200).toStdString();
}

struct FailedStart {
    const char* name;
    std::vector<std::string> lines;  // empty: no file at all
    const char* text;
    const char* title;
    MessageIcon icon;
    const char* detailPart;
};

TEST_F(WindowStartup, AFailedLoadStillSetsUpThePorts) {
    const FailedStart cases[] = {
        {"missing file", {}, "File Open Error", "ERROR", MessageIcon::Stop, "no such file"},
        {"line 3 refused",
         {srec(2, 0x4000, {1}), srec(2, 0x4010, {2}), "X2140040", srec(2, 0x4020, {3})},
         "Error Code = 9 ; 行番号 = 3",
         "Error",
         MessageIcon::Warning,
         "line does not begin with"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.boxes.clear();
        const auto path =
            c.lines.empty() ? folder.path("absent.mot") : folder.write(kDefaultName, c.lines);
        std::vector<int16_t> pointerDuringBox;
        auto window = std::make_unique<frmMain>(line, wait, dialogs, path);
        dialogs.onBox = [&](const MessageRequest&) {
            pointerDuringBox.push_back(window->MousePointer());
        };
        window->formLoad();

        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].text, c.text);
        EXPECT_EQ(dialogs.boxes[0].title, c.title);
        EXPECT_EQ(dialogs.boxes[0].icon, c.icon);
        EXPECT_NE(dialogs.boxes[0].detail.find(c.detailPart), std::string::npos);
        EXPECT_EQ(dialogs.boxes[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(pointerDuringBox, std::vector<int16_t>{frmMain::kHourglass});
        EXPECT_EQ(window->MousePointer(), frmMain::kDefaultPointer);
        EXPECT_EQ(portEntries(*window).size(), 16u);
        EXPECT_EQ(window->GetCOM(), 1);
        EXPECT_EQ(checkedPortMenuEntries(*window), std::vector<int>{1});
        // Every control still works afterwards: the window never stays locked.
        for (const char* name : operationStarters())
            EXPECT_TRUE(button(*window, name)->isEnabled()) << name;
    }
}

TEST_F(WindowStartup, ATerminationBeforeTheWindowShowsEndsTheProgram) {
    TerminationSignals terminations;
    for (const bool duringBox : {true, false}) {
        SCOPED_TRACE(duringBox ? "during the File Open Error box" : "during a load without box");
        dialogs.boxes.clear();
        const auto path = duringBox ? folder.path("absent.mot")
                                    : folder.write(kDefaultName, {srec(2, 0x4000, {1})});
        auto window = std::make_unique<frmMain>(line, wait, dialogs, path);
        QObject::connect(&terminations, &TerminationSignals::received, window.get(),
                         [&window] { window->closeWithoutAsking(); });
        dialogs.onBox = [&](const MessageRequest&) {
            raiseTermination();
            QCoreApplication::processEvents();
        };
        if (!duringBox) raiseTermination();

        EXPECT_FALSE(window->openWindow());
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(dialogs.boxes.size(), duringBox ? 1u : 0u);
    }
    dialogs.onBox = nullptr;
}

TEST_F(WindowStartup, AFileOpenedAfterAFailedStartHasAPortToGoTo) {
    auto window = makeWindow(folder.path("absent.mot"));
    dialogs.files.push_back(folder.write("later.mot", {srec(2, 0x4000, {0x77})}));
    action(*window, "mnuOpen")->trigger();
    EXPECT_EQ(window->image().intImage(1024, 0), 0x77);
    EXPECT_EQ(window->GetCOM(), 1);
    // A cancelled dialog changes nothing and shows nothing.
    const auto boxes = dialogs.boxes.size();
    action(*window, "mnuOpen")->trigger();
    EXPECT_EQ(dialogs.boxes.size(), boxes);
    EXPECT_EQ(window->image().intImage(1024, 0), 0x77);
    EXPECT_EQ(window->MousePointer(), frmMain::kDefaultPointer);
}

std::string sha256Prefix(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
        .toHex()
        .left(8)
        .toStdString();
}

TEST_F(WindowStartup, TheStatusBarNamesTheLoadedFirmware) {
    const auto status = [](const frmMain& window, const char* name) {
        return control<QLabel>(window, name)->text().toStdString();
    };
    auto failed = makeWindow(folder.path("absent.mot"));
    EXPECT_EQ(status(*failed, "statusFile"), "ファームウェア未読み込み");
    EXPECT_EQ(status(*failed, "statusImage"), "");

    const auto first = folder.write(kDefaultName, {srec(2, 0x4000, {1})});
    const auto later = folder.write("later.mot", {srec(2, 0xC000, {1}), srec(2, 0x10000, {2})});
    auto window = makeWindow(first);
    struct Expected {
        std::string path, name, image;
    };
    const Expected loaded[] = {
        {first, kDefaultName, "CHECK SUM 3FC000  SHA-256 " + sha256Prefix(first) + "  1 ブロック"},
        {later, "later.mot", "CHECK SUM 3FBF02  SHA-256 " + sha256Prefix(later) + "  2 ブロック"},
    };
    for (const Expected& e : loaded) {
        if (e.path == later) {
            dialogs.files.push_back(later);
            action(*window, "mnuOpen")->trigger();
        }
        EXPECT_EQ(status(*window, "statusFile"), e.name);
        EXPECT_EQ(control<QLabel>(*window, "statusFile")->toolTip().toStdString(), e.path);
        EXPECT_EQ(status(*window, "statusImage"), e.image);
    }
    // A refused file leaves the firmware and its line as they were.
    dialogs.files.push_back(folder.write("bad.mot", {"X1"}));
    action(*window, "mnuOpen")->trigger();
    EXPECT_EQ(status(*window, "statusFile"), "later.mot");
}

TEST_F(WindowStartup, ADroppedFileLoadsThroughTheLoadSequence) {
    auto window = makeWindow(folder.write(kDefaultName, {srec(2, 0x4000, {1})}));
    const auto drop = [&](const QUrl& url) {
        QMimeData data;
        data.setUrls({url});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(window.get(), &enter);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(window.get(), &event);
        return enter.isAccepted();
    };
    EXPECT_FALSE(drop(QUrl("https://example.invalid/x.mot")));
    EXPECT_EQ(window->image().intImage(1024, 0), 1);

    const auto later = folder.write("later.mot", {srec(2, 0x4000, {0x77})});
    EXPECT_TRUE(drop(QUrl::fromLocalFile(QString::fromStdString(later))));
    EXPECT_EQ(window->image().intImage(1024, 0), 0x77);
    EXPECT_EQ(control<QLabel>(*window, "statusFile")->text(), "later.mot");
    // A refused file says so in the load's own words.
    EXPECT_TRUE(drop(QUrl::fromLocalFile(QString::fromStdString(folder.write("bad.mot", {"X"})))));
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Error Code = 9 ; 行番号 = 1"});
}

TEST_F(WindowStartup, TheOpenDialogStartsInTheFolderOfTheLastFileOpened) {
    auto window = makeWindow(folder.write(kDefaultName, {srec(2, 0x4000, {1})}));
    const std::string settings = folder.path("velmar-writer.ini");
    RecentFolder recent(QString::fromStdString(settings));
    window->setRecentFolder(&recent);
    QDir().mkpath(QString::fromStdString(folder.path("bench")));
    const auto chosen = folder.write("bench/later.mot", {srec(2, 0x4000, {2})});
    dialogs.files.push_back(chosen);
    action(*window, "mnuOpen")->trigger();
    action(*window, "mnuOpen")->trigger();
    ASSERT_EQ(dialogs.fileRequests.size(), 2u);
    EXPECT_EQ(dialogs.fileRequests[0].folder, "");
    EXPECT_EQ(dialogs.fileRequests[1].folder, folder.path("bench"));
    // Kept for the next run, beside a port assignment that still reads cleanly.
    EXPECT_EQ(RecentFolder(QString::fromStdString(settings)).load(), folder.path("bench"));
    EXPECT_EQ(QtPortAssignmentStore(QString::fromStdString(settings)).read().state.fault,
              SavedFault::None);
}

TEST_F(WindowStartup, TheServiceRecordsShowTheLatestOfALargeLogNewestFirst) {
    const std::string log = folder.path("service.jsonl");
    {
        std::ofstream out(log, std::ios::binary);
        for (int i = 0; i < 10000; ++i) {
            ServiceRecord record;
            record.time = "2026-12-07T14:14:18Z";
            record.file = "/bench/f" + std::to_string(i) + ".mot";
            record.result = i % 2 == 0 ? "Rewriting success!" : "Writing failure";
            record.port = 1;
            // The newest only began: its program was killed.
            if (i == 9999) {
                record.state = RecordState::Begun;
                record.run = "r9999";
            }
            out << toJsonLine(record);
        }
    }
    ServiceRecordDialog view(log);
    auto* table = control<QTableWidget>(view, "records");
    ASSERT_EQ(table->rowCount(), static_cast<int>(ServiceRecordDialog::kLatest));
    EXPECT_EQ(table->item(0, 2)->text(), "f9999.mot");
    EXPECT_EQ(table->item(1, 2)->text(), "f9998.mot");
    EXPECT_EQ(table->item(0, 1)->text(), "中断");
    EXPECT_EQ(table->item(0, 6)->text(), "?/0");
    EXPECT_TRUE(control<QLabel>(view, "recordsSummary")->text().contains("中断: "));

    control<QComboBox>(view, "resultFilter")->setCurrentText("Rewriting success!");
    int shown = 0;
    for (int row = 0; row < table->rowCount(); ++row)
        if (!table->isRowHidden(row)) {
            ++shown;
            EXPECT_EQ(table->item(row, 1)->text(), "Rewriting success!") << row;
        }
    EXPECT_EQ(shown, table->rowCount() / 2);

    // The window's entry opens the view over its own log, without holding the window.
    auto window = makeWindow(folder.write(kDefaultName, {srec(2, 0x4000, {1})}));
    action(*window, "mnuServiceRecords")->trigger();
    auto* opened = window->findChild<ServiceRecordDialog*>();
    ASSERT_NE(opened, nullptr);
    EXPECT_TRUE(opened->isVisible());
    EXPECT_FALSE(opened->isModal());
    opened->close();
}

TEST_F(WindowStartup, PortListAndPortMenuAreIndependent) {
    auto window = makeWindow(folder.write(kDefaultName, {srec(2, 0x4000, {1})}));
    auto* list = control<QComboBox>(*window, "cmbCOM");

    list->setCurrentIndex(11);
    EXPECT_EQ(list->currentText(), "COM 12");
    EXPECT_EQ(window->GetCOM(), 12);
    EXPECT_EQ(checkedPortMenuEntries(*window), std::vector<int>{1});

    action(*window, "mnuCom_7")->trigger();
    EXPECT_EQ(checkedPortMenuEntries(*window), std::vector<int>{7});
    EXPECT_EQ(window->GetCOM(), 12);
    // Clicking the checked entry again keeps exactly that one checked.
    action(*window, "mnuCom_7")->trigger();
    EXPECT_EQ(checkedPortMenuEntries(*window), std::vector<int>{7});

    EXPECT_FALSE(list->isEditable());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(WindowStartup, PortEntriesNameTheirDevice) {
    const std::string present = folder.write("ttyFake0", {});
    const std::string absent = folder.path("ttyGone");
    qputenv("VELMAR_COM1", present.c_str());
    qputenv("VELMAR_COM2", absent.c_str());
    auto window = makeWindow(folder.write(kDefaultName, {srec(2, 0x4000, {1})}));
    qunsetenv("VELMAR_COM1");
    qunsetenv("VELMAR_COM2");

    auto* list = control<QComboBox>(*window, "cmbCOM");
    EXPECT_EQ(list->itemData(0, Qt::ToolTipRole).toString().toStdString(), present);
    EXPECT_EQ(list->itemData(1, Qt::ToolTipRole).toString().toStdString(), absent + "（未接続）");
    EXPECT_EQ(list->toolTip().toStdString(), present);
    list->setCurrentIndex(1);
    EXPECT_EQ(list->toolTip().toStdString(), absent + "（未接続）");
    // The open list marks the entry with a device there; the entries stay as they are.
    auto* ports = static_cast<PortComboBox*>(list);
    EXPECT_EQ(ports->mark(0).toStdString(), "  ● " + present);
    EXPECT_EQ(ports->mark(1), "");
    EXPECT_EQ(list->itemText(0), "COM  1");
}

TEST_F(WindowStartup, TheOpenListShowsEveryEntryWholeAndTheClosedBoxKeepsItsWidth) {
    auto window = makeWindow(folder.write(kDefaultName, {srec(2, 0x4000, {1})}));
    window->show();
    auto* list = control<QComboBox>(*window, "cmbCOM");
    const int designedWidth = twipsToPixels(975);
    ASSERT_EQ(list->width(), designedWidth);
    list->showPopup();
    QAbstractItemView* view = list->view();
    EXPECT_GE(view->viewport()->width(), view->sizeHintForColumn(0));
    EXPECT_EQ(view->textElideMode(), Qt::ElideNone);
    list->hidePopup();
    EXPECT_EQ(list->width(), designedWidth);
}

TEST_F(WindowStartup, OperatorAreaFitsTheDesignedClientAreaAndServiceAreaLiesBeyond) {
    auto window = makeWindow(folder.write(kDefaultName, {srec(2, 0x4000, {1})}));
    const QRect client(0, 0, twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));
    EXPECT_EQ(client.size(), QSize(489, 142));
    window->show();

    for (const char* name : {"cmdMacro_0", "ProgressBar1", "Frame3", "Label1", "cmbCOM"}) {
        auto* widget = control<QWidget>(*window, name);
        EXPECT_TRUE(client.contains(widget->geometry())) << name;
    }
    for (const char* name :
         {"Command1",   "cmbErase",  "cmbWrite", "cmbEnd",   "cmdCheckSum", "txtCsStt",
          "txtCsStp",   "Text1",     "Text2",    "Label4",   "txtMemory",   "cmdMacro_1",
          "cmdMacro_2", "Command11", "Command8", "Command9", "Command10",   "cmdBrevo",
          "Command4",   "Command7",  "Command6", "Command5", "Frame1",      "txtCFG0",
          "txtCFG1",    "Frame2"}) {
        auto* widget = control<QWidget>(*window, name);
        const QRect placed(widget->mapTo(window->centralWidget(), QPoint()), widget->size());
        EXPECT_FALSE(client.intersects(placed)) << name;
        EXPECT_FALSE(widget->isHidden()) << name;
        EXPECT_TRUE(widget->isEnabled()) << name;
    }
    // The status bar comes under the client area, which keeps its designed size.
    EXPECT_EQ(window->centralWidget()->size(), client.size());
    // The main button, exactly where it was designed, in its bold 15.75-point face.
    EXPECT_EQ(button(*window, "cmdMacro_0")->geometry(), QRect(24, 32, 217, 65));
    EXPECT_TRUE(button(*window, "cmdMacro_0")->font().bold());
    EXPECT_DOUBLE_EQ(button(*window, "cmdMacro_0")->font().pointSizeF(), 15.75);
}

TEST_F(WindowStartup, TabOrderFollowsTheDesign) {
    auto window = makeWindow(folder.write(kDefaultName, {srec(2, 0x4000, {1})}));
    const std::vector<std::string> designed = {
        "cmbErase", "cmbWrite",    "cmbEnd",     "txtMemory",  "Text1",        "Command1",
        "Text2",    "cmdCheckSum", "txtCsStt",   "txtCsStp",   "Command4",     "Command5",
        "Command6", "Command7",    "cmdMacro_0", "cmdMacro_1", "cmdMacro_2",   "Command8",
        "Command9", "Command10",   "Command11",  "txtCFG0",    "txtCFG1",      "optBPS_0",
        "optBPS_1", "port_0",      "port_1",     "port_2",     "txtPinNumber", "Command2",
        "port_3",   "cmdBrevo",    "optBPS_2",   "cmbCOM",     "optVersion_0", "optVersion_1"};
    std::vector<std::string> chain;
    QWidget* widget = control<QWidget>(*window, "cmbErase");
    for (int guard = 0; guard < 500 && chain.size() < designed.size(); ++guard) {
        const std::string name = widget->objectName().toStdString();
        if (std::find(designed.begin(), designed.end(), name) != designed.end() &&
            std::find(chain.begin(), chain.end(), name) == chain.end())
            chain.push_back(name);
        widget = widget->nextInFocusChain();
    }
    EXPECT_EQ(chain, designed);

    // Mended: the focus starts on the main button, so no key before a click changes the
    // loader, the port or the line speed; Space only brings the confirmation.
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_EQ(window->focusWidget(), button(*window, "cmdMacro_0"));
    dialogs.replies.push_back(BoxReply::Cancel);
    QTest::keyClick(window->focusWidget(), Qt::Key_Space);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].title, "Rewriting of software");
    EXPECT_TRUE(control<QRadioButton>(*window, "optVersion_1")->isChecked());
    EXPECT_EQ(window->GetCOM(), 1);
    EXPECT_TRUE(control<QRadioButton>(*window, "optBPS_0")->isChecked());
}

TEST_F(WindowStartup, EveryControlCanBeReachedOnALaptopScreen) {
    auto window = makeWindow(folder.write(kDefaultName, {srec(2, 0x4000, {1})}));
    auto* scroll = control<QScrollArea>(*window, "serviceScroll");
    auto* hexView = control<QPlainTextEdit>(*window, "txtMemory");
    // Maximised at 1280x800 and 1366x768, less a title bar and a panel.
    for (const QSize screen : {QSize(1280, 800 - 60), QSize(1366, 768 - 60)}) {
        window->show();
        window->resize(screen);
        // The platform hands the new size back as an event.
        QTest::qWait(50);
        for (QWidget* widget : scroll->widget()->findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(window.get()) || widget->objectName().startsWith("qt_") ||
                widget->parentWidget() == hexView || widget->focusPolicy() == Qt::NoFocus)
                continue;
            // The whole control, not ensureWidgetVisible's text cursor of an editor.
            const QRect whole(widget->mapTo(scroll->widget(), QPoint()), widget->size());
            scroll->ensureVisible(whole.center().x(), whole.center().y(), (whole.width() + 1) / 2,
                                  (whole.height() + 1) / 2);
            const QRect shown(widget->mapTo(scroll->viewport(), QPoint()), widget->size());
            EXPECT_TRUE(scroll->viewport()->rect().contains(shown))
                << widget->objectName().toStdString() << " at " << screen.width();
        }
    }
    // The hex view's text lies where no control designed over it covers it.
    const QRect text(hexView->viewport()->mapTo(scroll->widget(), QPoint()),
                     hexView->viewport()->size());
    for (const QWidget* sibling :
         scroll->widget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (sibling != hexView) {
            EXPECT_FALSE(sibling->geometry().intersects(text))
                << sibling->objectName().toStdString();
        }
}

TEST_F(WindowStartup, ExitClosesTheWindow) {
    auto window = makeWindow(folder.write(kDefaultName, {srec(2, 0x4000, {1})}));
    window->show();
    ASSERT_TRUE(window->isVisible());
    action(*window, "mnuEnd")->trigger();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowStartup, PinNumberTogglesTheMainCaption) {
    auto window = makeWindow(folder.write(kDefaultName, {srec(2, 0x4000, {1})}));
    auto* pin = control<QLineEdit>(*window, "txtPinNumber");
    auto* main = button(*window, "cmdMacro_0");

    std::vector<QString> captions;
    for (QChar letter : QString("QUARTETS")) {
        QTest::keyClick(pin, letter.toLatin1());
        captions.push_back(main->text());
    }
    const std::vector<QString> expected = {"Tevlo", "Tevlo", "Tevlo", "Tevlo",
                                           "Tevlo", "Tevlo", "Pim",   "Tevlo"};
    EXPECT_EQ(captions, expected);

    const std::pair<const char*, const char*> cases[] = {
        {"QUARTET", "Pim"}, {"quartet", "Tevlo"}, {" QUARTET", "Tevlo"}, {"", "Tevlo"}};
    for (const auto& [text, caption] : cases) {
        pin->setText("x");
        pin->setText(text);
        EXPECT_EQ(main->text(), caption) << '"' << text << '"';
    }

    // Only the caption changes: the button still starts the rewrite with its confirmation.
    pin->setText("QUARTET");
    dialogs.replies.push_back(BoxReply::Cancel);
    main->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].title, "Rewriting of software");
}

struct ChecksumCase {
    const char* start;
    const char* stop;
    const char* text;
    MessageIcon icon;
};

TEST_F(WindowStartup, ChecksumPanelShowsTheSumOrRefusesTheRange) {
    auto window = makeWindow(folder.write(kDefaultName, {srec(2, 0x4000, {0x12})}));
    const ChecksumCase cases[] = {
        {"C000", "FFFF", "3FC000", MessageIcon::None},
        {"4000", "4000", "12", MessageIcon::None},
        {"c000", "c00f", "FF0", MessageIcon::None},
        {"FFFF", "C000", "0", MessageIcon::None},
        {"23FFF", "23FFF", "FF", MessageIcon::None},
        {"", "FFFF", "Address out of range (4000-23FFF)", MessageIcon::Warning},
        {"4000", "24000", "Address out of range (4000-23FFF)", MessageIcon::Warning},
        {"zz", "4000", "Address out of range (4000-23FFF)", MessageIcon::Warning},
    };
    for (const auto& c : cases) {
        control<QLineEdit>(*window, "txtCsStt")->setText(c.start);
        control<QLineEdit>(*window, "txtCsStp")->setText(c.stop);
        dialogs.boxes.clear();
        button(*window, "cmdCheckSum")->click();
        ASSERT_EQ(dialogs.boxes.size(), 1u) << c.start << ".." << c.stop;
        EXPECT_EQ(dialogs.boxes[0].text, c.text) << c.start << ".." << c.stop;
        EXPECT_EQ(dialogs.boxes[0].title, "CHECK SUM");
        EXPECT_EQ(dialogs.boxes[0].icon, c.icon) << c.start << ".." << c.stop;
    }
    // The design texts are where the panel starts.
    auto fresh = makeWindow(folder.path("none.mot"));
    EXPECT_EQ(control<QLineEdit>(*fresh, "txtCsStt")->text(), "C000");
    EXPECT_EQ(control<QLineEdit>(*fresh, "txtCsStp")->text(), "FFFF");
}

}  // namespace
}  // namespace velmar::testing
