#pragma once
// A window on the bench: frmMain over the virtual line to the radio model, scripted dialogs,
// and a snapshot of what the operator sees whenever a box comes up.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <map>
#include <memory>

#include "support/radio_bench.h"
#include "window_fixture.h"

namespace velmar::testing {

// What the window looked like while a box was up.
struct BoxSnapshot {
    std::string text;
    bool barVisible = false;
    int barValue = 0;
    int16_t pointer = 0;
    std::map<std::string, bool> startersEnabled;
    bool versionChoiceEnabled = false;  // Frame3 and both optVersion options
    bool portListEnabled = false;
    bool portMenuEnabled = false;
    std::string activity;  // the status bar's account of what runs

    bool anyStarterEnabled() const {
        for (const auto& [name, enabled] : startersEnabled)
            if (enabled) return true;
        return false;
    }
};

// Two blocks of data (0x04000 and 0x10400), as most tests want something small to write.
inline std::vector<std::string> twoBlockFirmware() {
    const Bytes low = counting(16, 0x10);
    return {srec(2, 0x4000, low), srec(2, 0x4010, low), srec(2, 0x10400, counting(16, 0xA0)),
            "S9030000FC"};
}

// The radio's reply to frame `frame` (1-based, every frame counts) and the `count - 1` after it.
inline sim::FaultPlan faultAt(int frame, sim::FaultKind kind, int count) {
    sim::FaultRule rule;
    rule.frame = frame;
    rule.kind = kind;
    rule.count = count;
    sim::FaultPlan plan;
    plan.rules.push_back(rule);
    return plan;
}

class WindowBench {
  public:
    explicit WindowBench(const std::vector<std::string>& firmware = twoBlockFirmware()) {
        application();
        defaultPath = folder.write(kDefaultName, firmware);
        window = std::make_unique<frmMain>(bench.serial, bench.wait, dialogs, defaultPath);
        dialogs.onBox = [this](const MessageRequest& request) {
            snapshots.push_back(snap(request));
        };
        window->formLoad();
    }

    BoxSnapshot snap(const MessageRequest& request) const {
        BoxSnapshot s;
        s.text = request.text;
        auto* bar = control<QProgressBar>(*window, "ProgressBar1");
        s.barVisible = !bar->isHidden();
        s.barValue = bar->value();
        s.pointer = window->MousePointer();
        for (const char* name : operationStarters())
            s.startersEnabled[name] = button(*window, name)->isEnabled();
        s.versionChoiceEnabled = control<QGroupBox>(*window, "Frame3")->isEnabled() &&
                                 control<QRadioButton>(*window, "optVersion_0")->isEnabled() &&
                                 control<QRadioButton>(*window, "optVersion_1")->isEnabled();
        s.portListEnabled = control<QComboBox>(*window, "cmbCOM")->isEnabled();
        s.portMenuEnabled = action(*window, "mnuCom_1")->isEnabled();
        s.activity = activity();
        return s;
    }

    std::string activity() const {
        return control<QLabel>(*window, "statusActivity")->text().toStdString();
    }

    // The frames the radio received, by kind ("connect", "erase", "write 04000", "end").
    std::vector<std::string> frameKinds() const {
        std::vector<std::string> kinds;
        for (const auto& record : bench.radio.log()) kinds.push_back(record.kind);
        return kinds;
    }

    // Idle state: every starter and the version choice usable, bar hidden, default pointer.
    void expectIdle() const {
        const BoxSnapshot now = snap({});
        for (const auto& [name, enabled] : now.startersEnabled) EXPECT_TRUE(enabled) << name;
        EXPECT_TRUE(now.versionChoiceEnabled);
        EXPECT_TRUE(now.portListEnabled);
        EXPECT_TRUE(now.portMenuEnabled);
        EXPECT_FALSE(now.barVisible);
        EXPECT_EQ(now.pointer, frmMain::kDefaultPointer);
        EXPECT_FALSE(window->operationRunning());
    }

    QPushButton* operator[](const char* name) const { return button(*window, name); }

    FirmwareFolder folder;
    RadioBench bench;
    ScriptedDialogs dialogs;
    std::string defaultPath;
    std::unique_ptr<frmMain> window;
    std::vector<BoxSnapshot> snapshots;
};

}  // namespace velmar::testing
