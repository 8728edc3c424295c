// The rewrite sequence behind the cmdMacro buttons, and the one-click open-and-rewrite.

#include <QProgressBar>
#include <utility>

#include "app/frm_main.h"
#include "app/window_texts.h"

namespace velmar {

namespace {
MessageRequest errorBox(const char* text, const std::string& cause) {
    MessageRequest box;
    box.text = text;
    box.title = texts::kErrorTitle;
    box.icon = MessageIcon::Warning;
    box.detail = cause;
    return box;
}
}  // namespace

// The version choice is the one state a step reads that must not change mid-run; every other
// starter is held by the operation scope.
void frmMain::cmdMacro_Click(int16_t index) {
    // One operation at a time; the buttons are disabled meanwhile, this catches direct calls.
    if (index < 0 || index > 2 || operationRunning()) return;
    rewriteSequence();
}

void frmMain::rewriteSequence() {
    OperationScope operation(*this, Activity::Rewrite);
    setVersionChoiceEnabled(false);

    // Unlocking runs on every path out of the sequence.
    struct Unlock {
        frmMain& window;
        ~Unlock() {
            window.setVersionChoiceEnabled(true);
            window.ProgressBar1_->setVisible(false);
        }
    } unlock{*this};

    // An image with nothing to send would be erased into the radio and called a success.
    if (blocksToSend(image_).empty()) {
        beginRewriteRecord();
        showRewriteOutcome(errorBox(texts::kNothingToWrite, ""));
        return;
    }

    MessageRequest confirm;
    confirm.text = texts::kConfirmText;
    confirm.title = texts::kConfirmTitle;
    confirm.buttons = MessageButtons::OkCancel;
    confirm.cancelIsDefault = true;
    confirm.icon = MessageIcon::Warning;
    if (dialogs_.messageBox(confirm) == MessageAnswer::Cancel) return;
    beginRewriteRecord();

    const LoaderResult connected = connectLoader();
    if (connected != result::kConnectedC) {
        showRewriteFailure(texts::kConnectionFailure, connected == result::kConnectedZero
                                                          ? texts::kAnsweredZeroNotC
                                                          : link_.lastCause());
        return;
    }
    setProgressValue(0.0f);
    ProgressBar1_->setVisible(true);

    // A stop asked for while the connect was in flight ends the run here, before the erase.
    if (eraseFlash() != result::kEraseAccepted) {
        showRewriteFailure(texts::kDeletionFailure, link_.lastCause());
        return;
    }
    if (writeImage() != result::kWriteDone) {
        showRewriteFailure(texts::kWritingFailure, link_.lastCause());
        return;
    }
    // The session end is sent for the loader's sake; its answer changes nothing but a note.
    // The firmware is complete by now, so a stop asked for meanwhile still lets its first frame
    // go and only saves the retries.
    bool firstEndFrame = true;
    const bool ended = velmar::endSession(link_, GetCOM(), [this, &firstEndFrame] {
                           return !std::exchange(firstEndFrame, false) && closeRequested_;
                       }) == result::kEndAccepted;
    setProgressValue(kProgressMaximum);

    MessageRequest done;
    done.text = texts::kSuccessText;
    done.title = texts::kSuccessTitle;
    done.icon = MessageIcon::Information;
    if (!ended) {
        done.detail = texts::kEndNotConfirmed;
        if (!link_.lastCause().empty()) done.detail += ": " + link_.lastCause();
    }
    showRewriteOutcome(done);
}

void frmMain::showRewriteFailure(const char* text, const std::string& detail) {
    showRewriteOutcome(errorBox(text, detail));
}

void frmMain::cmdBrevo_Click() {
    if (operationRunning()) return;
    OperationScope operation(*this, Activity::Load);
    if (openFirmwareFile() == 1) rewriteSequence();
}

}  // namespace velmar
