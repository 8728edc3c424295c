// The service area: the thin procedures that hand the window's state to the protocol layer,
// the manual step buttons, the checksum panel, the port pin panel and the caption toggle.

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cstdio>
#include <optional>

#include "app/frm_main.h"
#include "app/operation_guard.h"
#include "app/translation.h"
#include "app/window_texts.h"
#include "image/checksum.h"
#include "platform/line_settings.h"
#include "protocol/earlier_loader.h"
#include "protocol/pin_text.h"
#include "wording/step_words.h"

namespace velmar {

// ---- What the steps are told ----

LoaderVersion frmMain::chosenLoaderVersion() const {
    return optVersion_[0]->isChecked() ? LoaderVersion::v105 : LoaderVersion::v106OrLater;
}

std::string frmMain::chosenLineSettings() const {
    if (optBPS_[0]->isChecked()) return kSettings9600;
    if (optBPS_[1]->isChecked()) return kSettings38400;
    if (optBPS_[2]->isChecked()) return kSettings4800;
    return "";
}

PinOperation frmMain::chosenPinOperation() const {
    if (port_[0]->isChecked()) return PinOperation::DriveLow;
    if (port_[1]->isChecked()) return PinOperation::DriveHigh;
    if (port_[2]->isChecked()) return PinOperation::Input;
    return PinOperation::Read;
}

// Each step clears the link's cause as it starts, so a detail line never speaks of an earlier
// step's fault.
LoaderResult frmMain::connectLoader() {
    connectResult_ = velmar::connectLoader(link_, chosenLoaderVersion(), GetCOM());
    return *connectResult_;
}

LoaderResult frmMain::eraseFlash() {
    return velmar::eraseFlash(link_, GetCOM(), guard_->stopCheck());
}

LoaderResult frmMain::writeImage() {
    return velmar::writeImage(link_, image_, GetCOM(), *this);
}

LoaderResult frmMain::endSession() {
    return velmar::endSession(link_, GetCOM(), guard_->stopCheck());
}

EarlierResult frmMain::sendEarlierCommand(EarlierRequest request) {
    stepFamily_ = StepFamily::EarlierLoader;
    return velmar::sendEarlierCommand(link_, request, GetCOM(), guard_->stopCheck());
}

EarlierResult frmMain::writeImageEarlier() {
    stepFamily_ = StepFamily::EarlierLoader;
    return velmar::writeImageEarlier(link_, image_, chosenLineSettings(), GetCOM(), *this);
}

PinResult frmMain::controlPortPin() {
    stepFamily_ = StepFamily::PortPin;
    const std::string pin = txtPinNumber_->text().toStdString();
    return velmar::controlPortPin(link_, chosenLineSettings(), pin, chosenPinOperation(), GetCOM());
}

// ---- Manual step buttons ----

void frmMain::reportStep(StepKind kind, bool succeeded, const std::string& detail) {
    static constexpr const char* kTexts[][2] = {
        {texts::kConnected, texts::kConnectFailed},
        {texts::kErased, texts::kEraseFailed},
        {texts::kWritten, texts::kWriteFailed},
        {texts::kDisconnected, texts::kDisconnectFailed},
    };
    MessageRequest box;
    box.text = kTexts[static_cast<int>(kind)][succeeded ? 0 : 1];
    box.title = succeeded ? texts::kOkTitle : texts::kNgTitle;
    box.icon = succeeded ? MessageIcon::None : MessageIcon::Warning;
    if (!succeeded) box.detail = detail;
    dialogs_.messageBox(box);
}

void frmMain::onManualStep(QPushButton* button, StepKind kind, std::function<bool()> succeeded) {
    connect(button, &QPushButton::clicked, this,
            [this, kind, succeeded = std::move(succeeded)] { runManualStep(kind, succeeded); });
}

void frmMain::runManualStep(StepKind kind, const std::function<bool()>& succeeded) {
    if (operationRunning()) return;
    // The scope disables the pressed button along with every other starter until the box
    // has been closed; a write, the one long step, shows the hourglass as well.
    const bool changesFlash = kind == StepKind::Erase || kind == StepKind::Write;
    OperationGuard::Scope operation(*guard_, changesFlash ? OperationGuard::Activity::FlashStep
                                                          : OperationGuard::Activity::OtherStep);
    std::optional<HourglassScope> hourglass;
    if (kind == StepKind::Write) hourglass.emplace(*this);
    connectResult_.reset();
    stepFamily_ = StepFamily::CurrentLoader;
    const bool ok = succeeded();
    guard_->settleCloseQuestion();
    // A connect answered with the other panel's status is worth a word about the version.
    std::string detail = describeFailure(link_.lastFailure(), stepFamily_);
    if (!ok && connectResult_ == result::kConnectedZero)
        detail = chosenLoaderVersion() == LoaderVersion::v105 ? texts::kAnsweredZeroConnectNeedsC
                                                              : texts::kAnsweredZeroNotC;
    if (!ok && connectResult_ == result::kConnectedC) detail = texts::kAnsweredCNotZero;
    reportStep(kind, ok, detail);
}

void frmMain::Command6_Click() {
    if (operationRunning()) return;
    // The row frame addresses 16 bits: such a file would be sent up to its first row above
    // 0xFFFF and then fail, or lose its rows past the last one written and still succeed.
    if (const auto beyond = highestDataBeyondSixteenBits(image_)) {
        reportStep(StepKind::Write, false, words::beyondEarlierAddresses(*beyond));
        return;
    }
    runManualStep(StepKind::Write, [this] { return writeImageEarlier() == earlier_result::kDone; });
}

void frmMain::mnuWrite_Click() {
    runManualStep(StepKind::Write, [this] { return writeImage() == result::kWriteDone; });
}

// ---- Checksum ----

void frmMain::cmdCheckSum_Click() {
    const auto sum =
        checksumText(image_, txtCsStt_->text().toStdString(), txtCsStp_->text().toStdString());
    MessageRequest box;
    box.title = texts::kChecksumTitle;
    if (sum) {
        box.text = *sum;
        box.icon = MessageIcon::None;
    } else {
        box.text = words::kChecksumOutOfRangeMessage;
        box.icon = MessageIcon::Warning;
    }
    dialogs_.messageBox(box);
}

// ---- Port pin ----

void frmMain::Command2_Click() {
    if (operationRunning()) return;
    if (const auto control = firstControlCharacter(txtPinNumber_->text().toStdString())) {
        MessageRequest box;
        box.text = texts::kPinControlCharacter;
        box.title = texts::kNgTitle;
        box.icon = MessageIcon::Warning;
        box.detail =
            "U+" + QString::number(*control, 16).toUpper().rightJustified(4, '0').toStdString();
        dialogs_.messageBox(box);
        return;
    }
    OperationGuard::Scope operation(*guard_, OperationGuard::Activity::PinCommand);
    Text2_->setText(shownText(pinResultText(controlPortPin())));
}

void frmMain::txtPinNumber_Change() {
    const bool pinWord = txtPinNumber_->text() == QLatin1String(texts::kPinWord);
    cmdMacro_[0]->setText(pinWord ? texts::kCaptionForPinWord : texts::kCaptionOtherwise);
}

}  // namespace velmar
