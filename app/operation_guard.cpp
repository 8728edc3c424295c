#include "app/operation_guard.h"

#include <QAction>
#include <QWidget>
#include <string>

#include "app/window_texts.h"

namespace velmar {

OperationGuard::OperationGuard(Dialogs& dialogs, Hooks hooks)
    : dialogs_(dialogs), hooks_(std::move(hooks)) {}

void OperationGuard::lockWhileRunning(std::initializer_list<QWidget*> controls) {
    controls_.insert(controls_.end(), controls);
}

void OperationGuard::lockWhileRunning(std::initializer_list<QAction*> actions) {
    actions_.insert(actions_.end(), actions);
}

OperationGuard::Scope::Scope(OperationGuard& guard, Activity activity)
    : guard_(guard), previous_(guard.activity_) {
    if (guard_.depth_ == 0 && guard_.hooks_.starting) guard_.hooks_.starting();
    ++guard_.depth_;
    guard_.activity_ = activity;
    guard_.refreshLocks();
}

OperationGuard::Scope::~Scope() {
    --guard_.depth_;
    guard_.activity_ = previous_;
    guard_.refreshLocks();
    if (guard_.depth_ == 0) guard_.settleCloseQuestion();
    // A close asked for during the operation happens once nothing runs any more.
    if (guard_.depth_ == 0 && guard_.closeRequested_) guard_.hooks_.close();
}

void OperationGuard::refreshLocks() {
    const bool idle = depth_ == 0;
    for (QWidget* control : controls_) control->setEnabled(idle);
    for (QAction* action : actions_) action->setEnabled(idle);
}

bool OperationGuard::closeRequestAccepted() {
    if (depth_ == 0) return true;
    // Already stopping, or already asking: a second request changes nothing.
    if (!closeRequested_ && !askingToClose_) askToStopAndClose();
    return false;
}

void OperationGuard::askToStopAndClose() {
    std::string text;
    switch (activity_) {
        case Activity::Rewrite:
            text = texts::kRunningRewrite;
            break;
        case Activity::FlashStep:
            text = texts::kRunningFlashStep;
            break;
        case Activity::OtherStep:
            text = texts::kRunningOtherStep;
            break;
        case Activity::PinCommand:
            text = texts::kRunningPinCommand;
            break;
        case Activity::Load:
        case Activity::None:
            text = texts::kRunningLoad;
            break;
    }
    if (activity_ == Activity::Rewrite || activity_ == Activity::FlashStep)
        text += texts::kStopLeavesNoFirmware;
    text += texts::kStopAndCloseQuestion;
    MessageRequest question;
    question.text = text;
    question.title = texts::kCloseQuestionTitle;
    question.buttons = MessageButtons::YesNo;
    question.cancelIsDefault = true;
    question.icon = MessageIcon::Warning;
    // The question must not hold the operation: its waits go on while it is open, and only
    // the answer decides whether it stops.
    askingToClose_ = true;
    dialogs_.ask(question, [this](MessageAnswer answer) {
        askingToClose_ = false;
        // A termination while the question was up has stopped things already.
        if (answer == MessageAnswer::Yes) closeRequested_ = true;
    });
}

void OperationGuard::settleCloseQuestion() {
    if (!askingToClose_) return;
    // The operation ended by itself; the operator still asked to close.
    dialogs_.withdrawQuestion();
    askingToClose_ = false;
    closeRequested_ = true;
}

void OperationGuard::closeWithoutAsking() {
    closeRequested_ = true;
    // The question, a result box or the confirmation: each answers as if closed, so the
    // operation under it ends (a confirmation so closed sends nothing), and so does every box
    // still to come, such as the failure message of the stopped step.
    dialogs_.stopAsking();
    if (depth_ == 0) hooks_.close();
}

}  // namespace velmar
