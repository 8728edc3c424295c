// The window in each language: in English no control keeps a Japanese text or is left empty;
// in Japanese every text is the one the window has without any translation. The words the
// layers below hand up are translated where the window shows them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <map>

#include "app/language_menu.h"
#include "app/port_assignment_dialog.h"
#include "app/port_combo_box.h"
#include "app/service_record_dialog.h"
#include "app/translation.h"
#include "app/window_texts.h"
#include "platform/qt/qt_language_setting.h"
#include "platform/qt/qt_serial_devices.h"
#include "protocol/port_pin.h"
#include "window_fixture.h"
#include "wording/load_words.h"
#include "wording/record_words.h"

namespace velmar::testing {
namespace {

bool hasJapanese(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3000 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) ||
            (u >= 0xFF00 && u <= 0xFFEF))
            return true;
    }
    return false;
}

void addMenuTexts(const QList<QAction*>& entries, std::map<QString, QString>& texts) {
    for (const QAction* entry : entries) {
        if (entry->isSeparator()) continue;
        const QMenu* menu = entry->menu();
        const QString name = menu != nullptr ? menu->objectName() : entry->objectName();
        texts[name.isEmpty() ? "unnamed entry " + entry->text() : name] = entry->text();
        if (menu != nullptr) addMenuTexts(menu->actions(), texts);
    }
}

// Every control's text, by the control's name; Qt's own helpers (named "qt_...") left out.
std::map<QString, QString> controlTexts(const QWidget& top) {
    std::map<QString, QString> texts;
    const auto keep = [&texts](const QWidget* control, const QString& text) {
        // The status bar shows data (the file, the last result), not captions.
        for (const QWidget* up = control; up != nullptr; up = up->parentWidget())
            if (qobject_cast<const QStatusBar*>(up) != nullptr) return;
        if (!control->objectName().startsWith("qt_")) texts[control->objectName()] = text;
    };
    for (const auto* button : top.findChildren<QAbstractButton*>()) keep(button, button->text());
    for (const auto* label : top.findChildren<QLabel*>()) keep(label, label->text());
    for (const auto* frame : top.findChildren<QGroupBox*>()) keep(frame, frame->title());
    if (const auto* window = qobject_cast<const QMainWindow*>(&top))
        addMenuTexts(window->menuBar()->actions(), texts);
    texts["title"] = top.windowTitle();
    return texts;
}

struct NoDevices : SerialDeviceSource {
    std::vector<SerialDeviceInfo> devices() const override { return {}; }
};

struct Bench {
    AbsentLine line;
    ExpiringWait wait;
    ScriptedDialogs dialogs;
    QTemporaryDir folder;

    std::map<QString, QString> windowTexts() {
        frmMain window(line, wait, dialogs, folder.filePath("none.mot").toStdString());
        addLanguageMenu(window, Language::Japanese, [](Language) { return true; });
        return controlTexts(window);
    }
};

class WindowLanguage : public ::testing::Test {
  protected:
    void SetUp() override { application(); }
    void TearDown() override { useLanguage(Language::Japanese); }
};

TEST_F(WindowLanguage, EnglishLeavesNoJapaneseAndJapaneseIsTheUntranslatedWindow) {
    Bench bench;
    const auto untranslated = bench.windowTexts();
    ASSERT_TRUE(useLanguage(Language::English));
    const auto english = bench.windowTexts();
    ASSERT_TRUE(useLanguage(Language::Japanese));
    EXPECT_EQ(bench.windowTexts(), untranslated);

    ASSERT_EQ(english.size(), untranslated.size());
    EXPECT_EQ(english.at("Command1"), "Connect");
    for (const auto& [name, text] : english) {
        EXPECT_FALSE(text.isEmpty()) << name.toStdString();
        // Each language's entry is named in its own language.
        if (name != "mnuLanguage_ja") {
            EXPECT_FALSE(hasJapanese(text)) << name.toStdString();
        }
    }
}

// English words of ours: a run of two letters or more with a small one that is no hex digit;
// names in capitals (COM, CHECK SUM, SHA-256) and a SHA-256's digits are no words.
bool hasEnglishWord(QString text) {
    // The designed English texts, shown as they were designed.
    for (const char* designed :
         {texts::kWindowCaption, texts::kMainButtonCaption, "The original version",
          "Previous version 1.05", "Version 1.06 or later", "COM Port", "Brevo",
          "Connection failure"})
        text.remove(QString::fromUtf8(designed));
    static const QRegularExpression word("[A-Za-z]*[g-z][A-Za-z]*");
    for (auto match = word.globalMatch(text); match.hasNext();)
        if (match.next().capturedLength() >= 2) return true;
    return false;
}

TEST_F(WindowLanguage, JapaneseWindowShowsNoEnglishOfOurs) {
    FirmwareFolder folder;
    const std::string firmware = folder.write(kDefaultName, {srec(2, 0x4000, {1})});
    Bench bench;
    frmMain window(bench.line, bench.wait, bench.dialogs, firmware);
    addLanguageMenu(window, Language::Japanese, [](Language) { return true; });
    window.formLoad();
    ServiceRecordDialog records(folder.path("service.log"), &window);
    bench.dialogs.replies.push_back(BoxReply::Ok);
    button(window, "cmdMacro_0")->click();  // no device: the confirmation, then a result
    std::map<QString, QString> shown = controlTexts(window);
    for (const auto& [name, text] : controlTexts(records)) shown["records " + name] = text;
    for (const auto* line : window.findChildren<QLabel*>(QRegularExpression("^status")))
        shown[line->objectName()] = line->text();
    const auto* table = records.findChild<QTableWidget*>("records");
    for (int column = 0; column < table->columnCount(); ++column)
        shown["column " + QString::number(column)] = table->horizontalHeaderItem(column)->text();
    shown["filter"] = records.findChild<QComboBox*>("resultFilter")->itemText(0);
    ASSERT_FALSE(bench.dialogs.boxes.empty());
    shown["confirmation"] = QString::fromStdString(bench.dialogs.boxes[0].detail);
    // The port assignments, with one saved adapter not plugged in, and the port list's tooltips.
    const std::string gone = "/dev/serial/by-id/usb-GONE";
    NoDevices devices;
    QtPortAssignmentStore store(QString::fromStdString(folder.path("ports.ini")));
    ASSERT_TRUE(store.save({{2, gone}}));
    PortDirectory directory(devices, store);
    PortAssignmentDialog assignments(directory);
    for (const auto& [name, text] : controlTexts(assignments)) shown["ports " + name] = text;
    shown["automatic"] = assignments.row(1)->itemText(0);
    shown["saved, not connected"] = assignments.row(2)->currentText();
    for (const ResolvedPort& port : directory.resolve())
        shown["tooltip " + QString::number(port.port)] = portTooltip(port);
    // A language's own name is its entry.
    shown.erase("mnuLanguage_en");
    for (auto& [name, text] : shown) {
        // The files' names and the test line's device are data.
        text.remove("port 1");
        text.remove(QString::fromStdString(folder.path("")));
        text.remove(kDefaultName);
        text.remove("service.log");
        text.remove(QString::fromStdString(gone));
        EXPECT_FALSE(hasEnglishWord(text)) << name.toStdString() << ": " << text.toStdString();
    }
}

TEST_F(WindowLanguage, PortAssignmentDialogInEnglish) {
    QTemporaryDir folder;
    NoDevices devices;
    QtPortAssignmentStore store(folder.filePath("ports.ini"));
    PortDirectory directory(devices, store);
    ASSERT_TRUE(useLanguage(Language::English));
    PortAssignmentDialog dialog(directory);
    for (const auto& [name, text] : controlTexts(dialog))
        EXPECT_FALSE(hasJapanese(text)) << name.toStdString() << ": " << text.toStdString();
}

TEST_F(WindowLanguage, HandedUpWordsAreTranslatedWhereShown) {
    LoadOutcome refused;
    refused.kind = LoadOutcome::Kind::Refused;
    const std::string handedUp[] = {
        words::kConnected,
        words::kConnectFailed,
        words::kErased,
        words::kEraseFailed,
        words::kWritten,
        words::kWriteFailed,
        words::kDisconnected,
        words::kDisconnectFailed,
        texts::kPinControlCharacter,
        pinResultText(pin_result::kOutputLow),
        pinResultText(pin_result::kOutputHigh),
        pinResultText(pin_result::kInputLow),
        pinResultText(pin_result::kInputHigh),
        loadMessage(refused).text,
        "choose its device again in 設定 / ポートの割り当て... or set VELMAR_COM1",
        words::kInterruptedShown,
        words::kInterruptedMeaningShown,
    };
    ASSERT_TRUE(useLanguage(Language::English));
    for (const std::string& text : handedUp) {
        const QString shown = shownText(text);
        EXPECT_FALSE(shown.isEmpty() || hasJapanese(shown)) << text;
    }
    EXPECT_EQ(shownText(loadMessage(refused).text), "Error Code = 0 ; Line number = 0");
    // The records view in English says what velmar-fw log says.
    EXPECT_EQ(shownText(words::kInterruptedShown).toStdString(), words::kInterrupted);
    EXPECT_EQ(shownText(words::kInterruptedMeaningShown).toStdString(), words::kInterruptedMeaning);
    ASSERT_TRUE(useLanguage(Language::Japanese));
    for (const std::string& text : handedUp) EXPECT_EQ(shownText(text).toStdString(), text);
}

TEST_F(WindowLanguage, MenuRemembersTheChoiceBesideThePortAssignments) {
    QTemporaryDir folder;
    const QString file = folder.filePath("velmar-writer.ini");
    ASSERT_TRUE(QtPortAssignmentStore(file).save({{2, "/dev/ttyUSB7"}}));
    QtLanguageSetting setting(file);
    EXPECT_EQ(setting.load(), "");

    Bench bench;
    frmMain window(bench.line, bench.wait, bench.dialogs, "");
    addLanguageMenu(window, Language::Japanese,
                    [&setting](Language chosen) { return setting.save(languageCode(chosen)); });
    EXPECT_TRUE(action(window, "mnuLanguage_ja")->isChecked());
    action(window, "mnuLanguage_en")->trigger();
    auto* note = window.findChild<QMessageBox*>("languageNote");
    ASSERT_NE(note, nullptr);
    EXPECT_FALSE(hasJapanese(note->text()));
    note->close();

    EXPECT_EQ(QtLanguageSetting(file).load(), "en");
    EXPECT_EQ(QtPortAssignmentStore(file).load(), (PortAssignments{{2, "/dev/ttyUSB7"}}));
#ifndef _WIN32  // Windows has no FIFOs in its file system.
    // A FIFO in the file's place would hang QSettings.
    const QString fifo = folder.filePath("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(QtLanguageSetting(fifo).load(), "");
    EXPECT_FALSE(QtLanguageSetting(fifo).save("en"));
#endif
}

}  // namespace
}  // namespace velmar::testing
