// One rewrite from the button to its final box: the cmdMacro buttons and the one-click
// open-and-rewrite, the confirmation, the sequence, and the outcome. What the window shows and
// logs on the way is said here; the status bar, the service record and the operation guard
// each do their own part of it.

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <utility>

#include "app/frm_main.h"
#include "app/operation_guard.h"
#include "app/status_panel.h"
#include "app/window_texts.h"
#include "protocol/rewrite_sequence.h"
#include "wording/hex_text.h"
#include "wording/rewrite_words.h"

namespace velmar {

namespace {
MessageRequest errorBox(const std::string& text, const std::string& cause) {
    MessageRequest box;
    box.text = text;
    box.title = texts::kErrorTitle;
    box.icon = MessageIcon::Warning;
    box.detail = cause;
    return box;
}
}  // namespace

void frmMain::connectRewriteButtons() {
    for (std::size_t i = 0; i < cmdMacro_.size(); ++i)
        connect(cmdMacro_[i], &QPushButton::clicked, this,
                [this, i] { cmdMacro_Click(static_cast<int16_t>(i)); });
    connect(cmdBrevo_, &QPushButton::clicked, this, [this] { cmdBrevo_Click(); });
}

void frmMain::cmdMacro_Click(int16_t index) {
    // One operation at a time; the buttons are disabled meanwhile, this catches direct calls.
    if (index < 0 || index > 2 || operationRunning()) return;
    rewriteSequence();
}

void frmMain::cmdBrevo_Click() {
    if (operationRunning()) return;
    OperationGuard::Scope operation(*guard_, OperationGuard::Activity::Load);
    // A close asked for during the load starts no rewrite behind it.
    if (openFirmwareFile() == 1 && !guard_->stopRequested()) rewriteSequence();
}

// The sequence itself; which cmdMacro button started it does not change what it does, since
// every starter is locked while it runs.
void frmMain::rewriteSequence() {
    OperationGuard::Scope operation(*guard_, OperationGuard::Activity::Rewrite);
    // The version and the port are the state a rewrite reads that must not change mid-run;
    // every other starter is held by the operation guard.
    setVersionChoiceEnabled(false);
    setPortChoiceEnabled(false);

    // Unlocking runs on every path out of the sequence.
    struct Unlock {
        frmMain& window;
        ~Unlock() {
            window.setVersionChoiceEnabled(true);
            window.setPortChoiceEnabled(true);
            window.ProgressBar1_->setVisible(false);
        }
    } unlock{*this};

    bool cancelled = false;
    bool firstEndFrame = true;
    const RewriteRun run{
        .loader = chosenLoaderVersion(),
        .port = GetCOM(),
        .observer = *this,
        // The firmware is complete by the end, so a stop asked for meanwhile still lets its
        // first frame go and only saves the retries.
        .stopEnd =
            [this, &firstEndFrame] {
                return !std::exchange(firstEndFrame, false) && guard_->stopRequested();
            },
        .beforeStep =
            [this, &cancelled](RewriteStage stage) {
                if (stage == RewriteStage::Connect) {
                    cancelled = !confirmRewrite();
                    if (cancelled) return false;
                    describeRewriteRecord(true);
                } else if (stage == RewriteStage::Erase) {
                    setProgressValue(0.0f);
                    ProgressBar1_->setVisible(true);
                }
                record_.reached(stage);
                status_->showStage(stage, image_);
                return true;
            },
    };
    const RewriteOutcome outcome = runRewrite(link_, image_, run);
    record_.ended(outcome.device);
    guard_->settleCloseQuestion();
    if (outcome.failed == RewriteStage::Connect && cancelled) {
        status_->clearActivity();
        return;
    }
    const words::RewriteWords said = words::rewriteWords(outcome, chosenLoaderVersion());
    if (outcome.failed == RewriteStage::NothingToSend) describeRewriteRecord(false);
    if (!said.succeeded) {
        showRewriteOutcome(errorBox(said.headline, said.detail));
        return;
    }
    setProgressValue(kProgressMaximum);

    MessageRequest done;
    done.text = said.headline;
    done.title = texts::kSuccessTitle;
    done.icon = MessageIcon::Information;
    done.detail = said.detail;
    showRewriteOutcome(done);
}

bool frmMain::confirmRewrite() {
    MessageRequest confirm;
    confirm.text = texts::kConfirmText;
    confirm.title = texts::kConfirmTitle;
    confirm.buttons = MessageButtons::OkCancel;
    confirm.cancelIsDefault = true;
    confirm.icon = MessageIcon::Warning;
    confirm.detail = rewriteTargetText(firmwarePath_, image_, GetCOM(), ports_);
    return dialogs_.messageBox(confirm) != MessageAnswer::Cancel;
}

void frmMain::describeRewriteRecord(bool begin) {
    record_.describe(firmwarePath_, firmwareSha256_, image_, GetCOM(), chosenLoaderVersion(),
                     ports_, begin);
}

// The port and the version a rewrite reads are held while it runs.
void frmMain::setPortChoiceEnabled(bool enabled) {
    cmbCOM_->setEnabled(enabled);
    mnuPort_->setEnabled(enabled);
    for (int i = 1; i <= 10; ++i) mnuCom_[static_cast<std::size_t>(i)]->setEnabled(enabled);
    mnuPortAssignment_->setEnabled(enabled);
}

void frmMain::setVersionChoiceEnabled(bool enabled) {
    Frame3_->setEnabled(enabled);
    optVersion_[0]->setEnabled(enabled);
    optVersion_[1]->setEnabled(enabled);
}

void frmMain::showRewriteOutcome(MessageRequest box) {
    // The result shows behind the box as it opens and stays once it is closed, until the next
    // operation.
    if (const std::optional<ServiceRecord> kept = record_.finish(box))
        status_->keepRewriteResult(*kept);
    dialogs_.messageBox(box);
}

// ---- The write as the window shows it: ProgressBar1 and Text1 follow it, during a rewrite
// or a manual write (WriteObserver) ----

void frmMain::setProgressValue(float value) {
    // A manual write starts from whatever the last run left; the bar never leaves its range.
    progressValue_ = std::clamp(value, 0.0f, kProgressMaximum);
    ProgressBar1_->setValue(static_cast<int>(std::lround(progressValue_)));
    // setValue paints at once; with Windows' own style that paint was seen (under wine) to leave
    // the bar empty until something else repainted it. The queued paint is merged with others.
    ProgressBar1_->update();
}

void frmMain::showRow(int32_t row) {
    Text1_->setText(QString::fromStdString(addressDisplayText(row)));
}

void frmMain::accepted(int32_t) {
    record_.blockWritten();
    status_->blockAccepted();
}

}  // namespace velmar
