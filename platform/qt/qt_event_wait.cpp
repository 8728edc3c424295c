#include "platform/qt/qt_event_wait.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace velmar {

QtEventWait::QtEventWait(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { armed_ = false; });
}

void QtEventWait::armTimer(std::chrono::milliseconds interval) {
    armed_ = true;
    timer_.start(interval);
}

void QtEventWait::disarmTimer() {
    timer_.stop();
    armed_ = false;
}

bool QtEventWait::timerArmed() const {
    return armed_;
}

void QtEventWait::processEventsOnce() {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace velmar
