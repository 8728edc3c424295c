#include "platform/qt/qt_event_wait.h"

#include <QCoreApplication>
#include <QEventLoop>

#ifdef _WIN32
#include <windows.h>
// after windows.h, whose types it uses
#include <timeapi.h>
#endif

namespace velmar {

namespace {
#ifdef _WIN32
// How long one pass sleeps at most while a reply is awaited: the Win32 serial control is
// polled, and nothing wakes the event loop when bytes reach it.
constexpr DWORD kPollMilliseconds = 2;
#endif
}  // namespace

QtEventWait::QtEventWait(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { ended(); });
}

QtEventWait::~QtEventWait() {
    ended();
}

void QtEventWait::armTimer(std::chrono::milliseconds interval) {
    armed_ = true;
#ifdef _WIN32
    deadline_ = std::chrono::steady_clock::now() + interval;
    // Windows sleeps in steps of its timer period, 15.6 ms unless asked for 1 ms; a rewrite's
    // hundred-odd replies would each be noticed that much late.
    if (!periodHeld_) ::timeBeginPeriod(1);
#endif
    periodHeld_ = true;
    timer_.start(interval);
}

void QtEventWait::disarmTimer() {
    timer_.stop();
    ended();
}

void QtEventWait::ended() const {
    armed_ = false;
#ifdef _WIN32
    if (periodHeld_) ::timeEndPeriod(1);
#endif
    periodHeld_ = false;
}

bool QtEventWait::timerArmed() const {
#ifdef _WIN32
    // Windows' event loop was seen to hold a timer's tick back for good while the wait keeps
    // it busy: the clock decides as well.
    if (armed_ && std::chrono::steady_clock::now() >= deadline_) ended();
#endif
    return armed_;
}

void QtEventWait::processEventsOnce() {
#ifdef _WIN32
    if (timerArmed()) {
        // What is pending, then a sleep that ends at the next message or after the poll
        // interval, so the window stays live and a reply is noticed within milliseconds.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        ::MsgWaitForMultipleObjectsEx(0, nullptr, kPollMilliseconds, QS_ALLINPUT,
                                      MWMO_INPUTAVAILABLE);
        return;
    }
#endif
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace velmar
