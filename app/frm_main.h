#pragma once
// The writer's only window. It owns the memory image pair, the loader link and the controls;
// every operation is one of its handlers, which read the window's state and hand it to the
// protocol layer as arguments. The serial port, the reply wait and the dialogs come in through
// the constructor so tests can run the window against a virtual radio and scripted answers.

#include <QMainWindow>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/dialogs.h"
#include "image/memory_image.h"
#include "link/loader_link.h"
#include "platform/event_wait.h"
#include "platform/port_names.h"
#include "platform/serial_control.h"
#include "protocol/current_loader.h"
#include "protocol/port_pin.h"
#include "protocol/write_observer.h"
#include "records/rewrite_recorder.h"
#include "wording/failure_words.h"

class QAction;
class QComboBox;
class QDragEnterEvent;
class QDropEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace velmar {

enum class RewriteStage;
class RecentFolder;

class frmMain : public QMainWindow, public WriteObserver {
    Q_OBJECT

  public:
    static constexpr int16_t kHourglass = 11;
    static constexpr int16_t kDefaultPointer = 0;

    frmMain(SerialControl& serial, EventWait& wait, Dialogs& dialogs,
            std::string defaultFirmwarePath, QWidget* parent = nullptr);
    ~frmMain() override;

    // The Load handler: run once, before the window is shown.
    void formLoad();
    // formLoad, then shows the window, unless a termination came meanwhile: false then, and the
    // window never opens.
    bool openWindow();
    // Where the port list and the service log find each entry's device; set before formLoad.
    // Its device list is taken anew when an operation starts and when the port list opens.
    void setPortDirectory(PortDirectory& directory);
    // Where the open dialog starts and what it remembers (none: it starts where Qt chooses).
    void setRecentFolder(RecentFolder* folder) { recentFolder_ = folder; }

    // The selected port: the port list's chosen position + 1, 0 while nothing is chosen.
    int16_t GetCOM() const;

    // Event handlers, public so the menus, the buttons and tests reach the same code.
    void mnuCom_Click(int16_t index);
    void mnuOpen_Click();
    void mnuWrite_Click();
    void cmdMacro_Click(int16_t index);
    void cmdBrevo_Click();
    void cmdCheckSum_Click();
    void Command6_Click();
    void Command2_Click();
    void txtPinNumber_Change();

    // Load sequence with its messages; 1 when the whole file was read.
    uint8_t loadFirmwareFile(const std::string& path);
    uint8_t openFirmwareFile();
    // A file dropped onto the window loads like one chosen under 開く; refused while an
    // operation runs.
    void loadDroppedFile(const std::string& path);
    // The service record view, reading the log as it opens.
    void showServiceRecords();

    int16_t MousePointer() const { return mousePointer_; }
    bool operationRunning() const { return operationDepth_ > 0; }
    // For the end of the desktop session and termination signals, when nobody is there to be
    // asked: open boxes are dismissed, a running operation stops after the frame in flight,
    // and the window closes once nothing runs.
    void closeWithoutAsking();
    const MemoryImage& image() const { return image_; }

    // WriteObserver: ProgressBar1 and Text1 follow the write step.
    float progressValue() const override { return progressValue_; }
    void setProgressValue(float value) override;
    void showRow(int32_t row) override;
    bool stopRequested() const override { return closeRequested_; }
    void accepted(int32_t startAddress) override;

    // Every byte each way goes to `trace` from now on (nullptr: none).
    void setTrace(LinkTrace* trace) { link_.setTrace(trace); }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // The kind of a manual step decides its two message texts.
    enum class StepKind { Connect, Erase, Write, Disconnect };
    // What runs, for the question a close request asks.
    enum class Activity { None, Rewrite, FlashStep, OtherStep, PinCommand, Load };

    // Disables every control that starts an operation while one runs; nests, so a rewrite
    // started by cmdBrevo's load unlocks everything only when cmdBrevo ends.
    class OperationScope {
      public:
        OperationScope(frmMain& window, Activity activity);
        ~OperationScope();
        OperationScope(const OperationScope&) = delete;
        OperationScope& operator=(const OperationScope&) = delete;

      private:
        frmMain& window_;
        Activity previous_;
    };

    class HourglassScope {
      public:
        explicit HourglassScope(frmMain& window);
        ~HourglassScope();
        HourglassScope(const HourglassScope&) = delete;
        HourglassScope& operator=(const HourglassScope&) = delete;

      private:
        frmMain& window_;
        int16_t previous_;
    };

    void buildLayout();
    void buildMenus();
    void buildTabOrder();
    // ファイル's entry for the service record view (frm_main_records.cpp).
    void addServiceRecordsEntry();
    // The status bar under the client area (frm_main_status.cpp).
    void buildStatusBar();
    void showLoadedFile();
    void showStage(RewriteStage stage);
    void showWriteProgress();
    void keepRewriteResult(const ServiceRecord& record);
    void clearActivity();
    // The confirmation's detail: what is written where.
    std::string rewriteTarget() const;
    void connectHandlers();
    void fillPortList();
    void refreshHexView();
    void setMousePointer(int16_t pointer);
    void refreshOperationControls();
    void setVersionChoiceEnabled(bool enabled);
    // The port list and the port menu: held while a rewrite owns its radio.
    void setPortChoiceEnabled(bool enabled);

    // Thin procedures: read the window's state, call the protocol layer.
    LoaderResult connectLoader();
    LoaderResult eraseFlash();
    LoaderResult writeImage();
    LoaderResult endSession();
    EarlierResult sendEarlierCommand(EarlierRequest request);
    EarlierResult writeImageEarlier();
    PinResult controlPortPin();
    LoaderVersion chosenLoaderVersion() const;
    std::string chosenLineSettings() const;
    PinOperation chosenPinOperation() const;

    // The sequence itself; which cmdMacro button started it does not change what it does,
    // since every starter is locked while it runs.
    void rewriteSequence();
    // The rewrite's confirmation box; true for OK.
    bool confirmRewrite();
    // A manual button runs `succeeded` as one operation and reports the step's outcome.
    void onManualStep(QPushButton* button, StepKind kind, std::function<bool()> succeeded);
    void runManualStep(StepKind kind, const std::function<bool()>& succeeded);
    void reportStep(StepKind kind, bool succeeded, const std::string& detail);
    void showRewriteFailure(const char* text, const std::string& detail);
    // Asks whether to stop what runs and close, without holding the operation: a Yes makes it
    // stop after the frame in flight.
    void askToStopAndClose();
    // An operation whose work ended with the question still open: the question goes, and the
    // window closes once the operation's message has been read.
    void settleCloseQuestion();
    StopCheck stopCheck() {
        return [this] { return closeRequested_; };
    }
    // The rewrite's service record: described once it is asked for, appended as the connect
    // goes out (`begin`) and again just before its final message, which names a log that could
    // not be written (frm_main_service_log.cpp).
    void describeRewriteRecord(bool begin);
    void showRewriteOutcome(MessageRequest box);

    Dialogs& dialogs_;
    LoaderLink link_;
    MemoryImage image_;
    MemoryImage scratch_;
    std::string defaultFirmwarePath_;
    std::string firmwarePath_;    // the file the image was last loaded from
    std::string firmwareSha256_;  // of the bytes that load read
    std::optional<RewriteRecorder> rewriteRecord_;
    PortDirectory* ports_ = nullptr;
    RecentFolder* recentFolder_ = nullptr;
    // The rewrite in progress, for the status bar.
    int blocksToSend_ = 0;
    int blocksAccepted_ = 0;
    std::chrono::steady_clock::time_point writeStarted_;
    float progressValue_ = 0.0f;
    int16_t mousePointer_ = kDefaultPointer;
    int operationDepth_ = 0;
    Activity activity_ = Activity::None;
    // The last connect's result, for a manual step's detail; none when the step was no connect.
    std::optional<LoaderResult> connectResult_;
    // Stop after the frame in flight and close once nothing runs.
    bool closeRequested_ = false;
    bool askingToClose_ = false;

    // Operator area.
    std::array<QPushButton*, 3> cmdMacro_{};
    QProgressBar* ProgressBar1_ = nullptr;
    QGroupBox* Frame3_ = nullptr;
    std::array<QRadioButton*, 2> optVersion_{};
    QLabel* Label1_ = nullptr;
    QComboBox* cmbCOM_ = nullptr;

    // Service area.
    QPushButton* Command1_ = nullptr;
    QPushButton* cmbErase_ = nullptr;
    QPushButton* cmbWrite_ = nullptr;
    QPushButton* cmbEnd_ = nullptr;
    QPushButton* Command11_ = nullptr;
    QPushButton* Command8_ = nullptr;
    QPushButton* Command9_ = nullptr;
    QPushButton* Command10_ = nullptr;
    QPushButton* Command4_ = nullptr;
    QPushButton* Command7_ = nullptr;
    QPushButton* Command6_ = nullptr;
    QPushButton* Command5_ = nullptr;
    QPushButton* cmdCheckSum_ = nullptr;
    QLineEdit* txtCsStt_ = nullptr;
    QLineEdit* txtCsStp_ = nullptr;
    QLineEdit* Text1_ = nullptr;
    QLineEdit* Text2_ = nullptr;
    QLabel* Label4_ = nullptr;
    QPlainTextEdit* txtMemory_ = nullptr;
    QPushButton* cmdBrevo_ = nullptr;
    QGroupBox* Frame1_ = nullptr;
    std::array<QRadioButton*, 3> optBPS_{};
    QLineEdit* txtCFG0_ = nullptr;
    QLineEdit* txtCFG1_ = nullptr;
    QGroupBox* Frame2_ = nullptr;
    std::array<QRadioButton*, 4> port_{};
    QLineEdit* txtPinNumber_ = nullptr;
    QPushButton* Command2_ = nullptr;

    // Menus.
    QAction* mnuOpen_ = nullptr;
    QAction* mnuEnd_ = nullptr;
    QAction* mnuWrite_ = nullptr;
    std::array<QAction*, 11> mnuCom_{};  // indexes 1..10; 0 unused
    QAction* mnuPort_ = nullptr;         // the port menu itself
    // Which family the manual step that runs belongs to, for the words of its failure.
    StepFamily stepFamily_ = StepFamily::CurrentLoader;
    QAction* mnuPortAssignment_ = nullptr;
    QAction* mnuServiceRecords_ = nullptr;

    // Status bar.
    QLabel* statusFile_ = nullptr;
    QLabel* statusImage_ = nullptr;
    QLabel* statusActivity_ = nullptr;
};

}  // namespace velmar
