// The rewrite sequence behind the cmdMacro buttons and cmdBrevo, against the radio model.

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "app/status_line.h"
#include "app/termination_signals.h"
#include "platform/qt/qt_serial_devices.h"
#include "raise_termination.h"
#include "window_bench.h"

namespace velmar::testing {
namespace {

using Kinds = std::vector<std::string>;
const Kinds kFullRun = {"connect", "erase", "write 04000", "write 10400", "end"};

std::vector<uint8_t> imageBlock(const MemoryImage& image, int32_t firstRow) {
    const auto bytes = image.bytes();
    const auto offset = static_cast<std::ptrdiff_t>(firstRow * kColumns - kImageFirstAddress);
    return {bytes.begin() + offset, bytes.begin() + offset + 1024};
}

TEST(WindowRewrite, EachMainButtonRewritesTheRadio) {
    for (const char* name : {"cmdMacro_0", "cmdMacro_1", "cmdMacro_2"}) {
        SCOPED_TRACE(name);
        WindowBench w;
        w[name]->click();

        ASSERT_EQ(w.dialogs.boxes.size(), 2u);
        const MessageRequest& confirm = w.dialogs.boxes[0];
        EXPECT_EQ(confirm.text,
                  "Please never turn off power while rewriting.\r\n"
                  "Click the OK button to begin rewriting.");
        EXPECT_EQ(confirm.title, "Rewriting of software");
        EXPECT_EQ(confirm.buttons, MessageButtons::OkCancel);
        EXPECT_TRUE(confirm.cancelIsDefault);
        EXPECT_EQ(confirm.icon, MessageIcon::Warning);

        const MessageRequest& done = w.dialogs.boxes[1];
        EXPECT_EQ(done.text, "Rewriting success!");
        EXPECT_EQ(done.title, "Finished");
        EXPECT_EQ(done.icon, MessageIcon::Information);
        EXPECT_EQ(done.buttons, MessageButtons::Ok);
        EXPECT_EQ(done.detail, "");

        // Asking: nothing moves yet; the full bar stays up while success is shown.
        EXPECT_FALSE(w.snapshots[0].barVisible);
        EXPECT_TRUE(w.snapshots[1].barVisible);
        EXPECT_EQ(w.snapshots[1].barValue, 128);
        EXPECT_EQ(w.snapshots[1].pointer, frmMain::kDefaultPointer);

        EXPECT_EQ(w.frameKinds(), kFullRun);
        // The status bar shows the result as the box opens, and keeps it after.
        EXPECT_EQ(w.snapshots[1].activity, w.activity());
        EXPECT_EQ(w.activity().rfind("Rewriting success!  COM 1 ", 0), 0u) << w.activity();
        EXPECT_NE(w.activity().find("  2 / 2 ブロック  "), std::string::npos) << w.activity();
        // At the narrowest width the line leaves out its middle, never its end (the time), and
        // its tooltip has it whole.
        w.window->show();
        auto* line = control<StatusLine>(*w.window, "statusActivity");
        const QString shown = line->shownText();
        EXPECT_LE(line->fontMetrics().horizontalAdvance(shown), line->contentsRect().width());
        EXPECT_TRUE(shown.endsWith(line->text().right(8))) << shown.toStdString();
        EXPECT_TRUE(line->toolTip().startsWith(line->text()));
        for (int32_t row : {1024, 4160})
            EXPECT_EQ(w.bench.flashBlock(row), imageBlock(w.window->image(), row)) << row;
        EXPECT_EQ(control<QLineEdit>(*w.window, "Text1")->text(), "23C00");
        w.expectIdle();
    }
}

TEST(WindowRewrite, DecliningTheConfirmationSendsNothing) {
    for (BoxReply reply : {BoxReply::Cancel, BoxReply::Enter, BoxReply::Close}) {
        SCOPED_TRACE(static_cast<int>(reply));
        WindowBench w;
        w.dialogs.replies.push_back(reply);
        w["cmdMacro_0"]->click();

        EXPECT_EQ(w.dialogs.texts().size(), 1u);
        EXPECT_TRUE(w.bench.sent().empty());
        EXPECT_TRUE(w.frameKinds().empty());
        w.expectIdle();
    }
}

#ifdef _WIN32
const std::string kAdapterPath = "COM1";  // Windows' COM n is COMn itself
const std::string kAbsentPort2 = "COM2 (装置なし)";
#else
const std::string kAdapterPath = "/dev/ttyUSB0";
const std::string kAbsentPort2 = "(装置なし)";
#endif

class OneAdapter : public SerialDeviceSource {
  public:
    std::vector<SerialDeviceInfo> devices() const override {
        return {{kAdapterPath, "", "FT232R USB UART", "FTDI", "A", 0x0403, 0x6001,
                 DeviceKind::UsbAdapter, std::nullopt}};
    }
};

TEST(WindowRewrite, TheConfirmationNamesWhatIsWrittenWhere) {
    WindowBench w;
    QTemporaryDir settings;
    OneAdapter devices;
    QtPortAssignmentStore store(settings.filePath("ports.ini"));
    PortDirectory directory(devices, store);
    w.window->setPortDirectory(directory);
    const std::string target = "ファイル: " + w.defaultPath + "\nCHECK SUM (C000-FFFF): 3FC000";
    const std::pair<int, std::string> cases[] = {
        {0, target + "\nポート: COM 1 " + kAdapterPath + " (FT232R USB UART)"},
        // Nothing behind the port: said plainly, and Cancel stays the default.
        {1, "COM 2 には装置がつながっていません。\nこのまま書き換えると接続に失敗します。\n\n" +
                target + "\nポート: COM 2 " + kAbsentPort2},
    };
    for (const auto& [entry, detail] : cases) {
        control<QComboBox>(*w.window, "cmbCOM")->setCurrentIndex(entry);
        w.dialogs.boxes.clear();
        w.dialogs.replies.push_back(BoxReply::Cancel);
        w["cmdMacro_0"]->click();
        ASSERT_EQ(w.dialogs.boxes.size(), 1u);
        EXPECT_EQ(w.dialogs.boxes[0].detail, detail);
        EXPECT_TRUE(w.dialogs.boxes[0].cancelIsDefault);
    }
}

struct FailureCase {
    const char* name;
    std::function<void(RadioBench&)> setUp;
    const char* text;
    Kinds kinds;
    bool barShownAtBox;
    // How the text under the message starts: a fault of the line or a refusal by the radio;
    // "" for none.
    const char* detail;
    const char* blocksAfter;  // what the result kept says was written
};

TEST(WindowRewrite, AFailedStepIsReportedOnceAndUnlocks) {
    const FailureCase cases[] = {
        {"loader answers 0",
         [](RadioBench& b) { b.radio.setConnectAnswer(sim::RadioModel::ConnectAnswer::Zero); },
         "Connection failure",
         {"connect"},
         false,
         "the radio answered \"0\"; the 1.06 loader answers \"C\" — is the loader version "
         "right?",
         "  0 / 2 ブロック  "},
        {"no device",
         [](RadioBench& b) { b.serial.setRadioPort(9); },
         "Connection failure",
         {},
         false,
         "no such device",
         "  0 / 2 ブロック  "},
        {"erase refused three times",
         [](RadioBench& b) { b.radio.setFaultPlan(faultAt(2, sim::FaultKind::AnswerE, 3)); },
         "Deletion failure",
         {"connect", "erase", "erase", "erase"},
         true,
         "The radio answered with status \"E\"",
         "  0 / 2 ブロック  "},
        {"second block unanswered twice",
         [](RadioBench& b) { b.radio.setFaultPlan(faultAt(4, sim::FaultKind::Drop, 2)); },
         "Writing failure",
         {"connect", "erase", "write 04000", "write 10400", "write 10400"},
         true,
         "No reply within 2,500 ms",
         "  1 / 2 ブロック  "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WindowBench w;
        c.setUp(w.bench);
        w["cmdMacro_0"]->click();

        ASSERT_EQ(w.dialogs.boxes.size(), 2u);
        const MessageRequest& failure = w.dialogs.boxes[1];
        EXPECT_EQ(failure.text, c.text);
        EXPECT_EQ(failure.title, "ERROR");
        EXPECT_EQ(failure.icon, MessageIcon::Warning);
        EXPECT_EQ(failure.detail.rfind(c.detail, 0), 0u) << failure.detail;
        EXPECT_EQ(failure.detail.empty(), *c.detail == '\0') << failure.detail;
        EXPECT_EQ(w.snapshots[1].barVisible, c.barShownAtBox);
        EXPECT_EQ(w.frameKinds(), c.kinds);
        // The result shows behind the box as it opens, and stays after.
        EXPECT_EQ(w.snapshots[1].activity, w.activity());
        EXPECT_EQ(w.activity().rfind(std::string(c.text) + "  COM 1 ", 0), 0u) << w.activity();
        EXPECT_NE(w.activity().find(c.blocksAfter), std::string::npos) << w.activity();
        w.expectIdle();
        // The next operation clears it.
        w.dialogs.replies.push_back(BoxReply::Cancel);
        w["cmdMacro_0"]->click();
        EXPECT_EQ(w.activity(), "");
    }
}

TEST(WindowRewrite, AWriteFailureKeepsTheBlocksAlreadyWritten) {
    WindowBench w;
    w.bench.radio.setFaultPlan(faultAt(4, sim::FaultKind::Drop, 2));
    w["cmdMacro_0"]->click();
    EXPECT_EQ(w.bench.flashBlock(1024), imageBlock(w.window->image(), 1024));
    EXPECT_EQ(w.bench.framesOfKind("end").size(), 0u);
}

TEST(WindowRewrite, EachRunStartsTheBarFromZero) {
    WindowBench w;
    w["cmdMacro_0"]->click();
    ASSERT_EQ(w.snapshots.back().barValue, 128);
    // Second run: connect is frame 6, its erase frame 7 is refused every time.
    w.bench.radio.setFaultPlan(faultAt(7, sim::FaultKind::AnswerE, 3));
    w["cmdMacro_0"]->click();
    ASSERT_EQ(w.dialogs.texts().back(), "Deletion failure");
    EXPECT_TRUE(w.snapshots.back().barVisible);
    EXPECT_EQ(w.snapshots.back().barValue, 0);
    w.expectIdle();
}

TEST(WindowRewrite, AnUnansweredEndStillSucceeds) {
    WindowBench w;
    sim::FaultPlan silentEnd;
    silentEnd.silentFromFrame = 5;
    w.bench.radio.setFaultPlan(silentEnd);
    w["cmdMacro_0"]->click();
    ASSERT_EQ(w.dialogs.texts().size(), 2u);
    EXPECT_EQ(w.dialogs.texts()[1], "Rewriting success!");
    EXPECT_EQ(w.dialogs.boxes[1].detail.rfind(
                  "The radio did not confirm the end of the session: No reply within", 0),
              0u)
        << w.dialogs.boxes[1].detail;
    EXPECT_EQ(w.snapshots[1].barValue, 128);
    const Kinds kinds = w.frameKinds();
    ASSERT_GE(kinds.size(), kFullRun.size());
    EXPECT_TRUE(std::equal(kFullRun.begin(), kFullRun.end(), kinds.begin()));
    EXPECT_EQ(w.bench.framesOfKind("end").size(), kinds.size() - 4) << "only the end is retried";
}

TEST(WindowRewrite, NothingToWriteIsRefusedBeforeAsking) {
    const std::vector<std::vector<std::string>> files = {
        {},                                                 // empty file
        {srec(2, 0x4000, std::vector<uint8_t>(16, 0xFF))},  // only erased bytes
        {srec(2, 0xE000, {1, 2, 3})},                       // only the range never sent
    };
    for (const auto& file : files) {
        WindowBench w(file);
        ASSERT_TRUE(w.dialogs.boxes.empty()) << "the file itself loads";
        w["cmdMacro_0"]->click();
        ASSERT_EQ(w.dialogs.boxes.size(), 1u);
        EXPECT_EQ(w.dialogs.boxes[0].text, "No firmware data to write");
        EXPECT_EQ(w.dialogs.boxes[0].title, "ERROR");
        EXPECT_EQ(w.dialogs.boxes[0].icon, MessageIcon::Warning);
        EXPECT_TRUE(w.bench.sent().empty());
        w.expectIdle();
    }
}

TEST(WindowRewrite, OnlyOneOperationRunsAtATime) {
    WindowBench w;
    std::vector<BoxSnapshot> duringWait;
    int extraBoxes = 0;
    bool poked = false;
    w.bench.wait.setOnPass([&] {
        duringWait.push_back(w.snap({}));
        if (poked) return;
        poked = true;
        // Everything that would start a second operation is refused while this one waits.
        const auto before = w.dialogs.boxes.size();
        w.window->cmdMacro_Click(1);
        w.window->cmdBrevo_Click();
        w.window->mnuOpen_Click();
        w.window->mnuWrite_Click();
        w.window->Command2_Click();
        QTest::mouseClick(w["cmbErase"], Qt::LeftButton);
        extraBoxes = static_cast<int>(w.dialogs.boxes.size() - before);
    });
    w["cmdMacro_0"]->click();

    EXPECT_EQ(extraBoxes, 0);
    EXPECT_TRUE(w.dialogs.fileRequests.empty());
    EXPECT_EQ(w.frameKinds(), kFullRun);
    ASSERT_FALSE(duringWait.empty());
    for (const auto& s : {w.snapshots[0], duringWait.front(), duringWait.back(), w.snapshots[1]}) {
        EXPECT_FALSE(s.anyStarterEnabled());
        EXPECT_FALSE(s.versionChoiceEnabled);
        // A rewrite owns the radio it connected to.
        EXPECT_FALSE(s.portListEnabled);
        EXPECT_FALSE(s.portMenuEnabled);
    }
    w.expectIdle();
}

TEST(WindowRewrite, EveryStepGoesToThePortChosenAtTheStart) {
    WindowBench w;
    // COM 2 (no radio there) is chosen while the connect waits, as a script could.
    w.bench.wait.setOnPass([&] { control<QComboBox>(*w.window, "cmbCOM")->setCurrentIndex(1); });
    w["cmdMacro_0"]->click();
    ASSERT_EQ(w.dialogs.texts().size(), 2u);
    EXPECT_EQ(w.dialogs.texts()[1], "Rewriting success!");
    EXPECT_EQ(w.frameKinds(), kFullRun);
    for (const auto& event : w.bench.serial.wire())
        if (event.kind == sim::WireEvent::Kind::Open) {
            EXPECT_EQ(event.port, 1);
        }
}

struct CloseCase {
    const char* name;
    std::size_t closeAtFrame;  // asked while this frame is in flight
    BoxReply answer;           // Ok stands for Yes, Cancel for No
    Kinds kinds;
    const char* result;
    bool secondRequest = false;  // another close while the question is open
    sim::FaultPlan faults = {};
    // 0: answered at once; else the question stays open until this frame is in flight
    // (kNever: the run ends first).
    std::size_t answerAtFrame = 0;
};

constexpr std::size_t kNever = 99;

TEST(WindowRewrite, ClosingWhileItRunsAsksFirst) {
    const CloseCase cases[] = {
        {"No while connecting", 1, BoxReply::Cancel, kFullRun, "Rewriting success!"},
        {"Enter answers No", 3, BoxReply::Enter, kFullRun, "Rewriting success!"},
        {"closing the question answers No", 3, BoxReply::Close, kFullRun, "Rewriting success!"},
        {"No, and a second request meanwhile", 3, BoxReply::Cancel, kFullRun, "Rewriting success!",
         true},
        {"Yes while connecting: nothing erased", 1, BoxReply::Ok, {"connect"}, "Deletion failure"},
        {"Yes between refused erase frames",
         2,
         BoxReply::Ok,
         {"connect", "erase"},
         "Deletion failure",
         false,
         faultAt(2, sim::FaultKind::AnswerE, 3)},
        {"Yes while writing",
         3,
         BoxReply::Ok,
         {"connect", "erase", "write 04000"},
         "Writing failure",
         true},
        // The question holds nothing: the frames go on while it is open.
        {"No two frames later", 1, BoxReply::Cancel, kFullRun, "Rewriting success!", false, {}, 3},
        {"Yes two frames later",
         1,
         BoxReply::Ok,
         {"connect", "erase", "write 04000"},
         "Writing failure",
         false,
         {},
         3},
        // Ended by itself: the question goes before the result, then the window as asked.
        {"never answered", 1, BoxReply::Ok, kFullRun, "Rewriting success!", false, {}, kNever},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WindowBench w;
        w.bench.radio.setFaultPlan(c.faults);
        w.window->show();
        w.dialogs.replies = {BoxReply::Ok, c.answer};
        w.dialogs.holdQuestion = c.answerAtFrame != 0;
        bool asked = false;
        w.bench.wait.setOnPass([&] {
            const std::size_t frames = w.frameKinds().size();
            if (!asked && frames == c.closeAtFrame) {
                asked = true;
                w.window->close();
            } else if (w.dialogs.questionOpen() && frames == c.answerAtFrame) {
                w.dialogs.answerQuestion(c.answer);
            }
        });
        std::vector<MessageRequest> questions;
        bool questionOpenAtResult = false;
        w.dialogs.onBox = [&](const MessageRequest& box) {
            if (box.buttons != MessageButtons::YesNo) {
                questionOpenAtResult = w.dialogs.questionOpen();
                return;
            }
            questions.push_back(box);
            if (c.secondRequest) w.window->close();
        };
        w["cmdMacro_0"]->click();

        ASSERT_EQ(questions.size(), 1u);
        EXPECT_EQ(questions[0].title, "Velmar Software Writer");
        EXPECT_TRUE(questions[0].cancelIsDefault) << "No is the default";
        EXPECT_NE(questions[0].text.find("Stopping now leaves the radio without complete firmware"),
                  std::string::npos);
        EXPECT_EQ(w.frameKinds(), c.kinds);
        EXPECT_EQ(w.dialogs.texts().back(), c.result);
        EXPECT_FALSE(questionOpenAtResult);
        EXPECT_EQ(w.dialogs.withdrawn, c.answerAtFrame == kNever ? 1 : 0);
        EXPECT_EQ(w.window->isVisible(), c.answer != BoxReply::Ok);
    }
}

TEST(WindowRewrite, TerminationStopsAfterTheFrameInFlightWithoutAsking) {
    WindowBench w;
    w.window->show();
    TerminationSignals terminations;
    QObject::connect(&terminations, &TerminationSignals::received, w.window.get(),
                     [&w] { w.window->closeWithoutAsking(); });
    bool sent = false;
    w.bench.wait.setOnPass([&] {
        if (sent || w.frameKinds().size() != 3) return;
        sent = true;
        raiseTermination();
        QCoreApplication::processEvents();
    });
    w["cmdMacro_0"]->click();

    EXPECT_EQ(w.dialogs.texts().size(), 2u) << "nobody is asked";
    EXPECT_EQ(w.dialogs.texts().back(), "Writing failure");
    EXPECT_EQ(w.frameKinds(), (Kinds{"connect", "erase", "write 04000"}));
    EXPECT_FALSE(w.window->isVisible());
}

TEST(WindowRewrite, OneClickButtonOpensThenRewrites) {
    // Cancelled dialog: nothing else happens.
    {
        WindowBench w;
        w["cmdBrevo"]->click();
        ASSERT_EQ(w.dialogs.fileRequests.size(), 1u);
        EXPECT_EQ(w.dialogs.fileRequests[0].filter,
                  "MOT & HEX|*.mot;*.hex|Mot Files (*.mot)|*.mot|Hex Files (*.hex)|*.hex|"
                  "All Files (*.*)|*.*");
        EXPECT_EQ(w.dialogs.fileRequests[0].flags, 0x180Cu);
        EXPECT_TRUE(w.dialogs.boxes.empty());
        EXPECT_TRUE(w.bench.sent().empty());
        w.expectIdle();
    }
    // A refused file: its message only, no confirmation, and the old image stays.
    {
        WindowBench w;
        const auto bad = w.folder.write("bad.hex", {":0400000001020304F2", "S1"});
        w.dialogs.files.push_back(bad);
        w["cmdBrevo"]->click();
        ASSERT_EQ(w.dialogs.boxes.size(), 1u);
        EXPECT_EQ(w.dialogs.boxes[0].title, "Error");
        EXPECT_EQ(w.dialogs.boxes[0].text.rfind("Error Code = ", 0), 0u);
        EXPECT_TRUE(w.bench.sent().empty());
        EXPECT_EQ(w.window->image().intImage(1024, 0), 0x10);
        w.expectIdle();
    }
    // A good file, confirmation cancelled, then a good file answered OK.
    {
        WindowBench w;
        const auto good = w.folder.write("other.mot", {srec(2, 0x20000, {0x5A, 0xA5})});
        w.dialogs.files.push_back(good);
        w.dialogs.replies.push_back(BoxReply::Cancel);
        w["cmdBrevo"]->click();
        ASSERT_EQ(w.dialogs.texts().size(), 1u);
        EXPECT_EQ(w.dialogs.boxes[0].title, "Rewriting of software");
        EXPECT_FALSE(w.snapshots[0].startersEnabled.at("cmdBrevo"));
        EXPECT_FALSE(w.snapshots[0].startersEnabled.at("cmdMacro_2"));
        EXPECT_TRUE(w.bench.sent().empty());
        EXPECT_EQ(w.window->image().intImage(0x2000, 0), 0x5A);
        EXPECT_EQ(w.window->image().intImage(1024, 0), 255);
        w.expectIdle();

        w.dialogs.files.push_back(good);
        w["cmdBrevo"]->click();
        EXPECT_EQ(w.dialogs.texts().back(), "Rewriting success!");
        EXPECT_EQ(w.frameKinds(), (Kinds{"connect", "erase", "write 20000", "end"}));
        EXPECT_EQ(w.bench.flashBlock(0x2000), imageBlock(w.window->image(), 0x2000));
        w.expectIdle();
    }
}

TEST(WindowRewrite, OpenMenuReplacesTheImageAndItsView) {
    WindowBench w;
    const auto hex = w.folder.write("fw.HEX", {":02400000BEEF11", ":00000001FF"});
    w.dialogs.files.push_back(hex);
    action(*w.window, "mnuOpen")->trigger();
    EXPECT_TRUE(w.dialogs.boxes.empty());
    EXPECT_EQ(w.window->image().intImage(1024, 0), 0xBE);
    EXPECT_EQ(w.window->image().intImage(1024, 1), 0xEF);
    const QString view = control<QPlainTextEdit>(*w.window, "txtMemory")->toPlainText();
    EXPECT_TRUE(view.contains("04000  BE EF FF")) << view.left(200).toStdString();
    w.expectIdle();
}

TEST(WindowRewrite, ClosingWhileALoadRunsAsksFirst) {
    // More than one chunk of the file, so the load takes the window's events in between.
    std::vector<std::string> big;
    for (uint32_t row = 0; row < 2000; ++row)
        big.push_back(srec(2, 0x4000 + row * 16, counting(16)));
    constexpr int32_t kLastBigRow = 1024 + 1999;
    for (BoxReply answer : {BoxReply::Cancel, BoxReply::Ok}) {
        const bool stop = answer == BoxReply::Ok;
        SCOPED_TRACE(stop ? "Yes" : "No");
        WindowBench w;
        w.window->show();
        w.dialogs.files.push_back(w.folder.write("big.mot", big));
        w.dialogs.replies.push_back(answer);
        QTimer::singleShot(0, w.window.get(), [&w] { w.window->close(); });
        action(*w.window, "mnuOpen")->trigger();

        ASSERT_EQ(w.dialogs.boxes.size(), 1u) << "the question, and nothing after it";
        EXPECT_EQ(w.dialogs.boxes[0].buttons, MessageButtons::YesNo);
        EXPECT_EQ(w.dialogs.boxes[0].text.rfind("A firmware file is being loaded.", 0), 0u);
        // Yes stops the load and keeps the image it had; No lets the load end.
        EXPECT_EQ(w.window->image().blnRowUsed(kLastBigRow), !stop);
        EXPECT_EQ(w.window->isVisible(), !stop);
    }
}

// The variable that holds the service log's folder.
#ifdef _WIN32
constexpr const char* kStateVariable = "LOCALAPPDATA";
#else
constexpr const char* kStateVariable = "XDG_STATE_HOME";
#endif

// Points the service log at a fresh folder for one test, and back afterwards.
class StateFolder {
  public:
    StateFolder() : previous_(qgetenv(kStateVariable)) {
        qputenv(kStateVariable, dir_.path().toUtf8());
    }
    ~StateFolder() { qputenv(kStateVariable, previous_); }
    std::string log() const { return dir_.filePath("velmar-writer/service.jsonl").toStdString(); }

  private:
    QTemporaryDir dir_;
    QByteArray previous_;
};

TEST(WindowRewrite, EachRewriteIsLoggedAndAnUnwritableLogChangesNothingElse) {
    StateFolder state;
    WindowBench w;
    const auto other = w.folder.write("other.mot", {srec(2, 0x20000, {0x5A, 0xA5})});
    w.dialogs.files.push_back(other);
    w["cmdBrevo"]->click();
    ASSERT_EQ(w.dialogs.texts().back(), "Rewriting success!");

    std::ifstream log(state.log());
    std::string began;
    std::string line;
    ASSERT_TRUE(std::getline(log, began));
    ASSERT_TRUE(std::getline(log, line));
    const QJsonObject begin = QJsonDocument::fromJson(QByteArray::fromStdString(began)).object();
    const QJsonObject record = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
    EXPECT_TRUE(begin["result"].isNull());
    EXPECT_EQ(begin["file"], record["file"]);
    EXPECT_EQ(begin["run"], record["run"]);
    EXPECT_EQ(record["tool"], "velmar-writer");
    EXPECT_EQ(record["operation"], "write");
    EXPECT_EQ(record["file"].toString().toStdString(), other);
    EXPECT_EQ(record["port"], 1);
    EXPECT_EQ(record["loader"], "1.06");
    EXPECT_EQ(record["result"], "Rewriting success!");
    EXPECT_EQ(record["blocks_written"], 1);
    EXPECT_EQ(record["blocks_total"], 1);
    EXPECT_FALSE(std::getline(log, line)) << "two lines per rewrite: as it began and ended";
    log.close();  // Windows removes no file that is open

    // The log's place is taken by a folder: the rewrite still succeeds and says so underneath.
    std::filesystem::remove(state.log());
    std::filesystem::create_directory(state.log());
    w["cmdMacro_0"]->click();
    const MessageRequest& done = w.dialogs.boxes.back();
    EXPECT_EQ(done.text, "Rewriting success!");
    EXPECT_EQ(done.title, "Finished");
    EXPECT_EQ(done.detail.rfind("Service log not written: " + state.log(), 0), 0u) << done.detail;
    EXPECT_EQ(w.bench.framesOfKind("end").size(), 2u);
    w.expectIdle();
}

}  // namespace
}  // namespace velmar::testing
