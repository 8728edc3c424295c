#include "app/frm_main.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>
#include <functional>
#include <tuple>

#include "app/operation_guard.h"
#include "app/port_combo_box.h"
#include "app/status_panel.h"
#include "app/twips.h"
#include "app/window_texts.h"
#include "files/firmware_loader.h"
#include "protocol/earlier_loader.h"
#include "wording/load_words.h"

namespace velmar {

frmMain::frmMain(SerialControl& serial, EventWait& wait, Dialogs& dialogs,
                 std::string defaultFirmwarePath, QWidget* parent)
    : QMainWindow(parent),
      dialogs_(dialogs),
      link_(serial, wait),
      defaultFirmwarePath_(std::move(defaultFirmwarePath)),
      guard_(std::make_unique<OperationGuard>(
          dialogs, OperationGuard::Hooks{.starting = [this] { operationStarting(); },
                                         .close = [this] { close(); }})) {
    setObjectName("frmMain");
    setWindowTitle(texts::kWindowCaption);
    buildLayout();
    buildMenus();
    buildTabOrder();
    connectHandlers();
    status_ = std::make_unique<StatusPanel>(statusBar());
    addServiceRecordsEntry();
    lockStartersWhileRunning();
    setAcceptDrops(true);
    // The operator area is what shows at first; enlarging the window reveals the service area.
    // The menu bar and the status bar come on top of the designed client area's height.
    resize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips) +
                                                 menuBar()->sizeHint().height() +
                                                 statusBar()->sizeHint().height());
}

frmMain::~frmMain() = default;

void frmMain::connectHandlers() {
    connectRewriteButtons();
    connect(cmdCheckSum_, &QPushButton::clicked, this, [this] { cmdCheckSum_Click(); });
    connect(Command2_, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(txtPinNumber_, &QLineEdit::textChanged, this, [this] { txtPinNumber_Change(); });

    // Both current-loader panels run the same steps.
    for (const auto& [connectButton, eraseButton, writeButton, endButton] :
         {std::tuple{Command1_, cmbErase_, cmbWrite_, cmbEnd_},
          std::tuple{Command11_, Command8_, Command9_, Command10_}}) {
        onManualStep(connectButton, StepKind::Connect,
                     [this] { return connectLoader() == result::kConnectedC; });
        onManualStep(eraseButton, StepKind::Erase,
                     [this] { return eraseFlash() == result::kEraseAccepted; });
        onManualStep(writeButton, StepKind::Write,
                     [this] { return writeImage() == result::kWriteDone; });
        onManualStep(endButton, StepKind::Disconnect,
                     [this] { return endSession() == result::kEndAccepted; });
    }

    // Earlier-generation panel: its connect counts only the loader's "0" as success.
    onManualStep(Command4_, StepKind::Connect,
                 [this] { return connectLoader() == result::kConnectedZero; });
    onManualStep(Command7_, StepKind::Erase, [this] {
        return sendEarlierCommand(EarlierRequest::Erase) == earlier_result::kDone;
    });
    connect(Command6_, &QPushButton::clicked, this, [this] { Command6_Click(); });
    onManualStep(Command5_, StepKind::Disconnect, [this] {
        return sendEarlierCommand(EarlierRequest::End) == earlier_result::kDone;
    });

    connect(mnuOpen_, &QAction::triggered, this, [this] { mnuOpen_Click(); });
    connect(mnuEnd_, &QAction::triggered, this, [this] { close(); });
    connect(mnuWrite_, &QAction::triggered, this, [this] { mnuWrite_Click(); });
    for (int i = 1; i <= 10; ++i)
        connect(mnuCom_[static_cast<std::size_t>(i)], &QAction::triggered, this,
                [this, i] { mnuCom_Click(static_cast<int16_t>(i)); });
}

// ---- Start-up and port selection ----

void frmMain::formLoad() {
    // A successful load fills the view itself; a failed one has shown its message and the view
    // shows the blank image. The ports are set up either way: a file opened later must still
    // have a port to go to.
    if (loadFirmwareFile(defaultFirmwarePath_) == 0) refreshHexView();
    fillPortList();
    cmbCOM_->setCurrentIndex(0);
    mnuCom_Click(1);
}

bool frmMain::openWindow() {
    formLoad();
    // A termination that is still on its way is taken now, before the window would open.
    QCoreApplication::processEvents();
    if (guard_->stopRequested()) return false;
    show();
    return true;
}

void frmMain::fillPortList() {
    // "COM  1" .. "COM 16": the number right-aligned in two places.
    for (int port = 1; port <= 16; ++port) cmbCOM_->addItem(QString("COM %1").arg(port, 2));
    static_cast<PortComboBox*>(cmbCOM_)->refreshTooltips();
}

int16_t frmMain::GetCOM() const {
    return static_cast<int16_t>(cmbCOM_->currentIndex() + 1);
}

void frmMain::mnuCom_Click(int16_t index) {
    for (int i = 1; i <= 10; ++i) mnuCom_[static_cast<std::size_t>(i)]->setChecked(false);
    if (index >= 1 && index <= 10) mnuCom_[static_cast<std::size_t>(index)]->setChecked(true);
}

// ---- Loading ----

uint8_t frmMain::loadFirmwareFile(const std::string& path) {
    OperationGuard::Scope operation(*guard_, OperationGuard::Activity::Load);
    HourglassScope hourglass(*this);
    // A long load takes the window's events between chunks, so a close request is asked about
    // like during any other operation; a Yes stops the load.
    ContentHash hash;
    const LoadOutcome outcome = velmar::loadFirmwareFile(
        path, image_, scratch_,
        [this] {
            QCoreApplication::processEvents();
            return !guard_->stopRequested();
        },
        std::ref(hash));
    guard_->settleCloseQuestion();
    // Stopped to close: the image stays as it was, and there is nothing to report.
    if (outcome.kind == LoadOutcome::Kind::Stopped) return 0;
    if (outcome.result == 1) {
        firmwarePath_ = path;
        firmwareSha256_ = hash.hex();
        refreshHexView();
        status_->showLoadedFile(firmwarePath_, firmwareSha256_, image_);
        return 1;
    }
    MessageRequest box;
    const LoadMessage message = loadMessage(outcome);
    box.text = message.text;
    box.title = message.title;
    box.icon = message.icon == LoadMessage::Icon::Stop      ? MessageIcon::Stop
               : message.icon == LoadMessage::Icon::Warning ? MessageIcon::Warning
                                                            : MessageIcon::None;
    box.detail = outcome.kind == LoadOutcome::Kind::Refused ? describeReaderCode(outcome.code)
                                                            : describeLoadFailure(outcome, path);
    // The hourglass stays while the box is shown and goes with the scope.
    dialogs_.messageBox(box);
    return 0;
}

void frmMain::mnuOpen_Click() {
    if (operationRunning()) return;
    OperationGuard::Scope operation(*guard_, OperationGuard::Activity::Load);
    openFirmwareFile();
}

void frmMain::refreshHexView() {
    const std::string view = MemoryImage::hexViewHeader() + image_.hexViewText();
    QString text = QString::fromStdString(view);
    text.replace("\r\n", "\n");
    txtMemory_->setPlainText(text);
}

// ---- Locks, pointer, closing ----

bool frmMain::operationRunning() const {
    return guard_->running();
}

bool frmMain::stopRequested() const {
    return guard_->stopRequested();
}

void frmMain::operationStarting() {
    // Adapters come and go while the window is open; an operation sees those there as it starts.
    if (ports_ != nullptr) ports_->refresh();
    // The last rewrite's result stays until the next operation begins.
    status_->clearActivity();
}

void frmMain::lockStartersWhileRunning() {
    guard_->lockWhileRunning({cmdMacro_[0], cmdMacro_[1], cmdMacro_[2], cmdBrevo_, Command1_,
                              cmbErase_, cmbWrite_, cmbEnd_, Command11_, Command8_, Command9_,
                              Command10_, Command4_, Command7_, Command6_, Command5_, Command2_});
    guard_->lockWhileRunning({mnuOpen_, mnuWrite_});
}

frmMain::HourglassScope::HourglassScope(frmMain& window)
    : window_(window), previous_(window.mousePointer_) {
    window_.setMousePointer(kHourglass);
}

frmMain::HourglassScope::~HourglassScope() {
    window_.setMousePointer(previous_);
}

void frmMain::setMousePointer(int16_t pointer) {
    mousePointer_ = pointer;
    if (pointer == kHourglass)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void frmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (event->spontaneous() || focusedAtStart_) return;
    focusedAtStart_ = true;
    // The designed focus order begins in the service area, and the operator area's first
    // focusable choice is the earlier loader: a habitual Space or Enter would erase the radio or
    // switch to that loader. The main button asks before anything is sent.
    cmdMacro_[0]->setFocus();
}

void frmMain::closeEvent(QCloseEvent* event) {
    // Refused while an operation runs: the guard asks, and closes the window when it ends.
    if (guard_->closeRequestAccepted())
        event->accept();
    else
        event->ignore();
}

void frmMain::closeWithoutAsking() {
    guard_->closeWithoutAsking();
}

}  // namespace velmar
