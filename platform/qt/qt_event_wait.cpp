#include "platform/qt/qt_event_wait.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace velmar {

QtEventWait::QtEventWait(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        armed_ = false;
#ifdef _WIN32
        poll_.stop();
#endif
    });
#ifdef _WIN32
    poll_.setTimerType(Qt::PreciseTimer);
    poll_.setInterval(2);
#endif
}

void QtEventWait::armTimer(std::chrono::milliseconds interval) {
    armed_ = true;
    timer_.start(interval);
}

void QtEventWait::disarmTimer() {
    timer_.stop();
    armed_ = false;
#ifdef _WIN32
    poll_.stop();
#endif
}

bool QtEventWait::timerArmed() const {
    return armed_;
}

void QtEventWait::processEventsOnce() {
#ifdef _WIN32
    // Runs from the first wait for a reply to its end, so an idle window is not woken for nothing.
    if (!poll_.isActive()) poll_.start();
#endif
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace velmar
