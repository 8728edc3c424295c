#pragma once
// The writer's only window. It owns the memory image pair, the loader link and the controls;
// every operation is one of its handlers, which read the window's state and hand it to the
// protocol layer as arguments. The serial port, the reply wait and the dialogs come in through
// the constructor so tests can run the window against a virtual radio and scripted answers.
//
// Where things are: a rewrite, from its buttons to its final box, in frm_main_rewrite.cpp; the
// manual steps, checksum and port pin in frm_main_service.cpp; loading in frm_main.cpp and
// frm_main_files.cpp; the designed controls in frm_main_layout.cpp. Three collaborators do one
// job each: the operation guard (locks, the close question), the status panel and the rewrite's
// service record.

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/dialogs.h"
#include "app/rewrite_service_record.h"
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

class OperationGuard;
class RecentFolder;
class StatusPanel;

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
    bool operationRunning() const;
    // For the end of the desktop session and termination signals, when nobody is there to be
    // asked: open boxes are dismissed, a running operation stops after the frame in flight,
    // and the window closes once nothing runs.
    void closeWithoutAsking();
    const MemoryImage& image() const { return image_; }

    // WriteObserver: ProgressBar1 and Text1 follow the write step.
    float progressValue() const override { return progressValue_; }
    void setProgressValue(float value) override;
    void showRow(int32_t row) override;
    bool stopRequested() const override;
    void accepted(int32_t startAddress) override;

    // Every byte each way goes to `trace` from now on (nullptr: none).
    void setTrace(LinkTrace* trace) { link_.setTrace(trace); }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // The kind of a manual step decides its two message texts.
    enum class StepKind { Connect, Erase, Write, Disconnect };
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
    void connectHandlers();
    // The controls the operation guard locks while an operation runs, and what the window
    // does as the first of nested operations starts.
    void lockStartersWhileRunning();
    void operationStarting();
    void fillPortList();
    void refreshHexView();
    void setMousePointer(int16_t pointer);
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

    // The rewrite (frm_main_rewrite.cpp).
    void connectRewriteButtons();
    void rewriteSequence();
    // The rewrite's confirmation box; true for OK.
    bool confirmRewrite();
    // The rewrite's service record: described once it is asked for, appended as the connect
    // goes out (`begin`) and again just before its final message.
    void describeRewriteRecord(bool begin);
    void showRewriteOutcome(MessageRequest box);

    // A manual button runs `succeeded` as one operation and reports the step's outcome.
    void onManualStep(QPushButton* button, StepKind kind, std::function<bool()> succeeded);
    void runManualStep(StepKind kind, const std::function<bool()>& succeeded);
    void reportStep(StepKind kind, bool succeeded, const std::string& detail);

    Dialogs& dialogs_;
    LoaderLink link_;
    MemoryImage image_;
    MemoryImage scratch_;
    std::string defaultFirmwarePath_;
    std::string firmwarePath_;    // the file the image was last loaded from
    std::string firmwareSha256_;  // of the bytes that load read
    PortDirectory* ports_ = nullptr;
    RecentFolder* recentFolder_ = nullptr;
    std::unique_ptr<OperationGuard> guard_;
    std::unique_ptr<StatusPanel> status_;
    RewriteServiceRecord record_;
    float progressValue_ = 0.0f;
    int16_t mousePointer_ = kDefaultPointer;
    bool focusedAtStart_ = false;
    // The last connect's result, for a manual step's detail; none when the step was no connect.
    std::optional<LoaderResult> connectResult_;
    // Which family the manual step that runs belongs to, for the words of its failure.
    StepFamily stepFamily_ = StepFamily::CurrentLoader;

    // Operator area.
    std::array<QPushButton*, 3> cmdMacro_{};     // rewrite: the main button and two hidden ones
    QProgressBar* ProgressBar1_ = nullptr;       // rewrite progress: shown from the erase on
    QGroupBox* Frame3_ = nullptr;                // loader version: the frame
    std::array<QRadioButton*, 2> optVersion_{};  // loader version: 1.05, 1.06 or later
    QLabel* Label1_ = nullptr;                   // port: the caption
    QComboBox* cmbCOM_ = nullptr;                // port: the choice

    // Service area.
    QPushButton* Command1_ = nullptr;        // current loader: connect
    QPushButton* cmbErase_ = nullptr;        // current loader: erase
    QPushButton* cmbWrite_ = nullptr;        // current loader: write
    QPushButton* cmbEnd_ = nullptr;          // current loader: end
    QPushButton* Command11_ = nullptr;       // current loader, second panel: connect
    QPushButton* Command8_ = nullptr;        // current loader, second panel: erase
    QPushButton* Command9_ = nullptr;        // current loader, second panel: write
    QPushButton* Command10_ = nullptr;       // current loader, second panel: end
    QPushButton* Command4_ = nullptr;        // earlier loader: connect
    QPushButton* Command7_ = nullptr;        // earlier loader: erase
    QPushButton* Command6_ = nullptr;        // earlier loader: write
    QPushButton* Command5_ = nullptr;        // earlier loader: end
    QPushButton* cmdCheckSum_ = nullptr;     // checksum: compute
    QLineEdit* txtCsStt_ = nullptr;          // checksum: first address
    QLineEdit* txtCsStp_ = nullptr;          // checksum: last address
    QLineEdit* Text1_ = nullptr;             // write: the row being written
    QLineEdit* Text2_ = nullptr;             // port pin: the result
    QLabel* Label4_ = nullptr;               // write: the row's caption
    QPlainTextEdit* txtMemory_ = nullptr;    // image: the hex view
    QPushButton* cmdBrevo_ = nullptr;        // rewrite: open a file, then rewrite
    QGroupBox* Frame1_ = nullptr;            // line speed: the frame
    std::array<QRadioButton*, 3> optBPS_{};  // line speed: 9600, 38400, 4800 (earlier write, pin)
    QLineEdit* txtCFG0_ = nullptr;           // unused: designed, read by nothing
    QLineEdit* txtCFG1_ = nullptr;           // unused: designed, read by nothing
    QGroupBox* Frame2_ = nullptr;            // port pin: the frame
    std::array<QRadioButton*, 4> port_{};    // port pin: low, high, input, read
    QLineEdit* txtPinNumber_ = nullptr;      // port pin: the pin (and the caption's word)
    QPushButton* Command2_ = nullptr;        // port pin: send

    // Menus.
    QAction* mnuOpen_ = nullptr;            // file: open
    QAction* mnuEnd_ = nullptr;             // file: quit
    QAction* mnuWrite_ = nullptr;           // current loader: write
    std::array<QAction*, 11> mnuCom_{};     // port marks: indexes 1..10; 0 unused
    QAction* mnuPort_ = nullptr;            // port marks: the menu itself
    QAction* mnuPortAssignment_ = nullptr;  // port: the assignment dialog
    QAction* mnuServiceRecords_ = nullptr;  // service log: the record view
};

}  // namespace velmar
