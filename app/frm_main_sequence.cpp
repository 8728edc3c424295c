// The rewrite sequence behind the cmdMacro buttons, and the one-click open-and-rewrite.

#include <QProgressBar>

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
    OperationScope operation(*this);
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

    if (connectLoader() != result::kConnectedC) {
        showRewriteFailure(texts::kConnectionFailure);
        return;
    }
    setProgressValue(0.0f);
    ProgressBar1_->setVisible(true);

    if (eraseFlash() != result::kEraseAccepted) {
        showRewriteFailure(texts::kDeletionFailure);
        return;
    }
    if (writeImage() != result::kWriteDone) {
        showRewriteFailure(texts::kWritingFailure);
        return;
    }
    // The session end is sent for the loader's sake; its answer changes nothing.
    endSession();
    setProgressValue(kProgressMaximum);

    MessageRequest done;
    done.text = texts::kSuccessText;
    done.title = texts::kSuccessTitle;
    done.icon = MessageIcon::Information;
    showRewriteOutcome(done);
}

void frmMain::showRewriteFailure(const char* text) {
    showRewriteOutcome(errorBox(text, link_.lastCause()));
}

void frmMain::cmdBrevo_Click() {
    if (operationRunning()) return;
    OperationScope operation(*this);
    if (openFirmwareFile() == 1) rewriteSequence();
}

}  // namespace velmar
