// The rewrite sequence behind the cmdMacro buttons, and the one-click open-and-rewrite.

#include <QProgressBar>
#include <utility>

#include "app/frm_main.h"
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

// The version and the port are the state a rewrite reads that must not change mid-run; every
// other starter is held by the operation scope.
void frmMain::cmdMacro_Click(int16_t index) {
    // One operation at a time; the buttons are disabled meanwhile, this catches direct calls.
    if (index < 0 || index > 2 || operationRunning()) return;
    rewriteSequence();
}

void frmMain::rewriteSequence() {
    OperationScope operation(*this, Activity::Rewrite);
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
                return !std::exchange(firstEndFrame, false) && closeRequested_;
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
                rewriteRecord_->reached(words::stageName(stage));
                showStage(stage);
                return true;
            },
    };
    const RewriteOutcome outcome = runRewrite(link_, image_, run);
    if (rewriteRecord_) rewriteRecord_->setDevice(outcome.device);
    settleCloseQuestion();
    if (outcome.failed == RewriteStage::Connect && cancelled) {
        clearActivity();
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
    confirm.detail = rewriteTarget();
    return dialogs_.messageBox(confirm) != MessageAnswer::Cancel;
}

void frmMain::showRewriteFailure(const char* text, const std::string& detail) {
    showRewriteOutcome(errorBox(text, detail));
}

void frmMain::cmdBrevo_Click() {
    if (operationRunning()) return;
    OperationScope operation(*this, Activity::Load);
    // A close asked for during the load starts no rewrite behind it.
    if (openFirmwareFile() == 1 && !closeRequested_) rewriteSequence();
}

}  // namespace velmar
