// The manual step buttons of the service area and the Edit menu's write.

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace velmar::testing
