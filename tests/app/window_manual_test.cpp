// The manual step buttons of the service area and the Edit menu's write.

#include <gtest/gtest.h>

#include "sim/earlier_loader_model.h"
#include "window_bench.h"

namespace velmar::testing {
namespace {

enum class Guard { SelfLock, Hourglass };

struct ManualCase {
    const char* control;  // a button, or "mnuWrite"
    void (*setUp)(RadioBench&);
    const char* text;
    bool succeeded;
    Guard guard;
    bool previousVersion = false;  // "Previous version 1.05" chosen
};

void loader105(RadioBench& b) {
    b.radio.setConnectAnswer(sim::RadioModel::ConnectAnswer::Zero);
}
void untouched(RadioBench&) {}
// A write programs only erased flash; the radio leaves the factory with old firmware in it.
void erased(RadioBench& b) {
    b.radio.eraseAll();
}
void eraseRefused(RadioBench& b) {
    b.radio.setFaultPlan(faultAt(1, sim::FaultKind::AnswerE, 3));
}
void silent(RadioBench& b) {
    sim::FaultPlan plan;
    plan.silentFromFrame = 1;
    b.radio.setFaultPlan(plan);
}
void noDevice(RadioBench& b) {
    b.serial.setRadioPort(9);
}

TEST(WindowManual, EachButtonReportsItsStep) {
    const ManualCase cases[] = {
        {"Command1", untouched, "接続しました", true, Guard::SelfLock},
        {"Command1", loader105, "接続に失敗しました", false, Guard::SelfLock},
        {"Command11", untouched, "接続しました", true, Guard::SelfLock},
        {"Command11", loader105, "接続に失敗しました", false, Guard::SelfLock},
        // With 1.05 chosen the "0" is that loader's own answer: no doubt about the version.
        {"Command1", loader105, "接続に失敗しました", false, Guard::SelfLock, true},
        {"Command11", loader105, "接続に失敗しました", false, Guard::SelfLock, true},
        // The earlier panel's connect counts only the "0" answer.
        {"Command4", untouched, "接続に失敗しました", false, Guard::SelfLock},
        {"Command4", loader105, "接続しました", true, Guard::SelfLock},
        {"cmbErase", untouched, "消去しました", true, Guard::SelfLock},
        {"cmbErase", eraseRefused, "消去に失敗しました", false, Guard::SelfLock},
        {"Command8", untouched, "消去しました", true, Guard::SelfLock},
        {"Command8", eraseRefused, "消去に失敗しました", false, Guard::SelfLock},
        {"cmbEnd", untouched, "切断しました", true, Guard::SelfLock},
        {"cmbEnd", silent, "切断に失敗しました", false, Guard::SelfLock},
        {"Command10", untouched, "切断しました", true, Guard::SelfLock},
        {"Command10", silent, "切断に失敗しました", false, Guard::SelfLock},
        {"cmbWrite", erased, "書込成功", true, Guard::Hourglass},
        {"cmbWrite", noDevice, "書込失敗", false, Guard::Hourglass},
        {"Command9", erased, "書込成功", true, Guard::Hourglass},
        {"Command9", silent, "書込失敗", false, Guard::Hourglass},
        {"mnuWrite", erased, "書込成功", true, Guard::Hourglass},
        {"mnuWrite", noDevice, "書込失敗", false, Guard::Hourglass},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.control) + " -> " + c.text);
        WindowBench w;
        c.setUp(w.bench);
        control<QRadioButton>(*w.window, "optVersion_0")->setChecked(c.previousVersion);
        if (std::string(c.control) == "mnuWrite") {
            action(*w.window, "mnuWrite")->trigger();
        } else {
            w[c.control]->click();
        }

        ASSERT_EQ(w.dialogs.boxes.size(), 1u);
        const MessageRequest& box = w.dialogs.boxes[0];
        EXPECT_EQ(box.text, c.text);
        EXPECT_EQ(box.title, c.succeeded ? "OK" : "NG");
        EXPECT_EQ(box.icon, c.succeeded ? MessageIcon::None : MessageIcon::Warning);
        EXPECT_EQ(box.buttons, MessageButtons::Ok);
        // Where the line itself failed, the operating system's cause goes with the message.
        if (c.setUp == noDevice || c.setUp == silent) {
            EXPECT_FALSE(box.detail.empty());
        }
        // A connect answered with the other loader's status asks about the version.
        if (!c.succeeded && std::string(c.text) == "接続に失敗しました") {
            EXPECT_EQ(box.detail.rfind("the radio answered", 0), 0u) << box.detail;
            EXPECT_EQ(box.detail.find("— is the loader version right?") != std::string::npos,
                      !c.previousVersion)
                << box.detail;
        }

        const BoxSnapshot& during = w.snapshots[0];
        EXPECT_EQ(during.pointer,
                  c.guard == Guard::Hourglass ? frmMain::kHourglass : frmMain::kDefaultPointer);
        EXPECT_FALSE(during.anyStarterEnabled());
        EXPECT_TRUE(during.versionChoiceEnabled) << "only the rewrite locks the version choice";
        EXPECT_TRUE(during.portListEnabled);
        EXPECT_FALSE(during.barVisible);
        w.expectIdle();
    }
}

TEST(WindowManual, StepsCanRunInAnyOrderAndRewriteTheRadio) {
    WindowBench w;
    for (const char* name : {"Command1", "cmbErase", "cmbWrite", "cmbEnd"}) w[name]->click();
    EXPECT_EQ(w.dialogs.texts(), (std::vector<std::string>{"接続しました", "消去しました",
                                                           "書込成功", "切断しました"}));
    EXPECT_EQ(w.frameKinds(),
              (std::vector<std::string>{"connect", "erase", "write 04000", "write 10400", "end"}));
    // A write alone, without connect or erase, still goes out.
    w["Command9"]->click();
    EXPECT_EQ(w.bench.framesOfKind("write").size(), 4u);
}

TEST(WindowManual, ManualWritesKeepTheBarWithinItsRange) {
    WindowBench w;
    w.bench.radio.eraseAll();
    // Each full pass adds 120; a second pass would overrun 128 without the clamp.
    w["cmbWrite"]->click();
    w["cmbWrite"]->click();
    EXPECT_EQ(w.window->progressValue(), 128.0f);
    EXPECT_EQ(control<QProgressBar>(*w.window, "ProgressBar1")->value(), 128);
    EXPECT_TRUE(control<QProgressBar>(*w.window, "ProgressBar1")->isHidden());
}

// The earlier loader writes rows with 16-bit addresses, so its firmware stays below 0x10000.
std::vector<std::string> lowFirmware() {
    return {srec(2, 0x4000, {0x01, 0x02, 0x03, 0x04}), srec(2, 0x8000, {0x55})};
}

TEST(WindowManual, EarlierPanelDrivesTheEarlierLoader) {
    WindowBench w(lowFirmware());
    sim::useEarlierLoader(w.bench.radio);
    for (const char* name : {"Command4", "Command7", "Command6", "Command5"}) w[name]->click();
    EXPECT_EQ(w.dialogs.texts(), (std::vector<std::string>{"接続しました", "消去しました",
                                                           "書込成功", "切断しました"}));
    for (const auto& box : w.dialogs.boxes) EXPECT_EQ(box.title, "OK");
    // The rows went into the radio's flash.
    EXPECT_EQ(w.bench.flashBlock(1024)[0], 0x01);
    EXPECT_EQ(w.bench.flashBlock(1024)[3], 0x04);
    EXPECT_EQ(w.bench.flashBlock(0x800)[0], 0x55);
    // The write showed the hourglass; the others locked their button instead.
    EXPECT_EQ(w.snapshots[2].pointer, frmMain::kHourglass);
    EXPECT_EQ(w.snapshots[1].pointer, frmMain::kDefaultPointer);
    w.expectIdle();
}

TEST(WindowManual, EarlierPanelReportsFailures) {
    const std::pair<const char*, const char*> cases[] = {
        {"Command7", "消去に失敗しました"},
        {"Command6", "書込失敗"},
        {"Command5", "切断に失敗しました"},
    };
    for (const auto& [name, text] : cases) {
        WindowBench w(lowFirmware());
        sim::useEarlierLoader(w.bench.radio);
        w.bench.serial.setRadioPort(9);  // nothing behind COM 1
        w[name]->click();
        ASSERT_EQ(w.dialogs.boxes.size(), 1u) << name;
        EXPECT_EQ(w.dialogs.boxes[0].text, text);
        EXPECT_EQ(w.dialogs.boxes[0].title, "NG");
        EXPECT_EQ(w.dialogs.boxes[0].icon, MessageIcon::Warning);
        w.expectIdle();
    }
    // The earlier loader refusing the erase with "E" is a failure too.
    WindowBench w(lowFirmware());
    sim::useEarlierLoader(w.bench.radio);
    w.bench.radio.setFaultPlan(faultAt(1, sim::FaultKind::AnswerE, 1));
    w["Command7"]->click();
    EXPECT_EQ(w.dialogs.texts(), std::vector<std::string>{"消去に失敗しました"});
}

TEST(WindowManual, EarlierWriteRefusesDataTheRowFrameCannotAddress) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        // Sent up to the row above 0xFFFF, which then fails.
        {{srec(2, 0x4000, {1}), srec(2, 0x10000, {2, 3})}, "10001"},
        // Past the last row the write looks at: it would have said "書込成功".
        {{srec(2, 0x4000, {1}), srec(2, 0x23FF0, {4})}, "23FF0"},
    };
    for (const auto& [firmware, highest] : cases) {
        WindowBench w(firmware);
        sim::useEarlierLoader(w.bench.radio);
        w["Command6"]->click();
        ASSERT_EQ(w.dialogs.boxes.size(), 1u) << highest;
        EXPECT_EQ(w.dialogs.boxes[0].text, "書込失敗");
        EXPECT_EQ(w.dialogs.boxes[0].title, "NG");
        EXPECT_EQ(w.dialogs.boxes[0].icon, MessageIcon::Warning);
        EXPECT_EQ(w.dialogs.boxes[0].detail,
                  std::string("the file has data up to address ") + highest +
                      "; the earlier loader addresses only up to 0FFFF, nothing was sent");
        EXPECT_TRUE(w.bench.serial.wire().empty()) << "the port was not even opened";
        w.expectIdle();
    }
}

struct PinStep {
    const char* operation;  // port_0..port_3
    const char* speed;      // optBPS_0..optBPS_2
    const char* pin;
    const char* shown;
};

TEST(WindowManual, PortPinPanelShowsTheResultWord) {
    WindowBench w;
    const PinStep steps[] = {
        {"port_3", "optBPS_0", "12", "H入力"},  // inputs start pulled high
        {"port_0", "optBPS_1", "12", "OK"},     // drive low
        {"port_3", "optBPS_2", "12", "L出力"},  // reads back as a low output
        {"port_1", "optBPS_0", "12", "OK"},     // drive high
        {"port_3", "optBPS_0", "12", "H出力"}, {"port_2", "optBPS_0", "12", "OK"},  // back to input
        {"port_3", "optBPS_0", "12", "H入力"}, {"port_3", "optBPS_0", "ZZ", "NG"},  // no such pin
    };
    std::vector<bool> goEnabledDuringWait;
    w.bench.wait.setOnPass([&] { goEnabledDuringWait.push_back(w["Command2"]->isEnabled()); });
    for (const auto& step : steps) {
        control<QRadioButton>(*w.window, step.operation)->setChecked(true);
        control<QRadioButton>(*w.window, step.speed)->setChecked(true);
        control<QLineEdit>(*w.window, "txtPinNumber")->setText(step.pin);
        w["Command2"]->click();
        EXPECT_EQ(control<QLineEdit>(*w.window, "Text2")->text(), step.shown)
            << step.operation << " " << step.pin;
    }
    EXPECT_TRUE(w.dialogs.boxes.empty()) << "the panel shows no box";
    ASSERT_FALSE(goEnabledDuringWait.empty());
    for (bool enabled : goEnabledDuringWait) EXPECT_FALSE(enabled);
    // The command went at the chosen speed each time.
    const auto sent = w.bench.sent();
    ASSERT_EQ(sent.size(), std::size(steps));
    EXPECT_EQ(sent[1].baud, 38400);
    EXPECT_EQ(sent[2].baud, 4800);
    EXPECT_EQ(std::string(sent[0].bytes.begin(), sent[0].bytes.end()), "QZ~P123\r");

    // A CR in the text would end the command early: a warning, nothing sent.
    control<QLineEdit>(*w.window, "txtPinNumber")->setText("210\r");
    w["Command2"]->click();
    ASSERT_EQ(w.dialogs.boxes.size(), 1u);
    EXPECT_EQ(w.dialogs.boxes[0].icon, MessageIcon::Warning);
    EXPECT_EQ(w.bench.sent().size(), std::size(steps));
    control<QLineEdit>(*w.window, "txtPinNumber")->setText("12");

    // No radio behind the port: "???".
    w.bench.serial.setRadioPort(9);
    w["Command2"]->click();
    EXPECT_EQ(control<QLineEdit>(*w.window, "Text2")->text(), "???");
    w.expectIdle();
}

}  // namespace
}  // namespace velmar::testing
