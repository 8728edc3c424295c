#pragma once
// One operation at a time in the window: while one runs, every control that would start
// another is locked, and a close request becomes a question whose Yes stops the operation
// after the frame in flight. The window closes once nothing runs; the end of a desktop session
// and termination signals close it the same way without asking.

#include <functional>
#include <initializer_list>
#include <vector>

#include "app/dialogs.h"
#include "protocol/write_observer.h"

class QAction;
class QWidget;

namespace velmar {

class OperationGuard {
  public:
    // What runs, for the question a close request asks.
    enum class Activity { None, Rewrite, FlashStep, OtherStep, PinCommand, Load };

    struct Hooks {
        // The first operation begins (nothing ran before it).
        std::function<void()> starting;
        // A close was asked for and nothing runs (any more).
        std::function<void()> close;
    };

    OperationGuard(Dialogs& dialogs, Hooks hooks);

    // The controls that start an operation: disabled while one runs.
    void lockWhileRunning(std::initializer_list<QWidget*> controls);
    void lockWhileRunning(std::initializer_list<QAction*> actions);

    // Holds the lock for its lifetime; nests, so a rewrite started by a load that holds it
    // unlocks everything only when the load's scope ends.
    class Scope {
      public:
        Scope(OperationGuard& guard, Activity activity);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

      private:
        OperationGuard& guard_;
        Activity previous_;
    };

    bool running() const { return depth_ > 0; }
    // Stop after the frame in flight; the window closes once nothing runs.
    bool stopRequested() const { return closeRequested_; }
    StopCheck stopCheck() const {
        return [this] { return closeRequested_; };
    }

    // A close request: true when the window may close now; otherwise the question is asked
    // (once) and the operation closes the window when it ends.
    bool closeRequestAccepted();
    // For the end of the desktop session and termination signals, when nobody is there to be
    // asked: open boxes are dismissed, and a running operation stops after the frame in flight.
    void closeWithoutAsking();
    // An operation whose work ended with the question still open: the question goes, and the
    // window closes once the operation's message has been read.
    void settleCloseQuestion();

  private:
    void refreshLocks();
    // Asks whether to stop what runs and close, without holding the operation: a Yes makes it
    // stop after the frame in flight.
    void askToStopAndClose();

    Dialogs& dialogs_;
    Hooks hooks_;
    std::vector<QWidget*> controls_;
    std::vector<QAction*> actions_;
    int depth_ = 0;
    Activity activity_ = Activity::None;
    bool closeRequested_ = false;
    bool askingToClose_ = false;
};

}  // namespace velmar
