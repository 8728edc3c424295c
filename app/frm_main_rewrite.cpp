// One rewrite from the button to its final box: the cmdMacro buttons and the one-click
// open-and-rewrite, the confirmation, the sequence, and the outcome. What the window shows and
// logs on the way is said here; the status bar, the service record and the operation guard
// each do their own part of it.

#include <QProgressBar>
#include <utility>

#include "app/frm_main.h"
#include "app/operation_guard.h"
#include "app/status_panel.h"
#include "app/window_texts.h"
#include "protocol/rewrite_sequence.h"
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

// WriteObserver: a block the radio accepted, during a rewrite or a manual write.
void frmMain::accepted(int32_t) {
    record_.blockWritten();
    status_->blockAccepted();
}

void frmMain::showRewriteOutcome(MessageRequest box) {
    const std::optional<ServiceRecord> kept = record_.finish(box);
    dialogs_.messageBox(box);
    // Stays in the status bar once the box is closed, until the next operation.
    if (kept) status_->keepRewriteResult(*kept);
}

}  // namespace velmar
