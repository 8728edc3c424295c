#pragma once
// EventWait over the Qt event loop: the reply timer is a precise one-shot QTimer (a coarse
// timer fires up to 5% early), and one pass of events blocks until something happens, so a
// transfer sleeps between the serial port's notifications instead of spinning. On Windows the
// port is polled and nothing wakes the loop when bytes arrive, so a wait for a reply there
// sleeps at most a couple of milliseconds per pass, and the reply timer ends by the clock too.
// Those sleeps need Windows' 1 ms timer period, which costs a laptop's battery: it is asked
// for only while the timer is armed.

#include <QObject>
#include <QTimer>
#include <chrono>

#include "platform/event_wait.h"

namespace velmar {

class QtEventWait final : public QObject, public EventWait {
    Q_OBJECT

  public:
    explicit QtEventWait(QObject* parent = nullptr);
    ~QtEventWait() override;

    void armTimer(std::chrono::milliseconds interval) override;
    void disarmTimer() override;
    bool timerArmed() const override;
    // Needs a QCoreApplication. Must not be called from inside a readyRead handler: Qt does not
    // deliver a nested readyRead, so such a wait would only end by its time-out.
    void processEventsOnce() override;

    // True while this wait asks the system for its finer timer period (Windows only asks).
    bool finerTimerPeriodHeld() const { return periodHeld_; }

  private:
    void ended() const;
    QTimer timer_;
    // Set and cleared by the const timerArmed too, when the clock has ended the wait.
    mutable bool armed_ = false;
    mutable bool periodHeld_ = false;
#ifdef _WIN32
    std::chrono::steady_clock::time_point deadline_;
#endif
};

}  // namespace velmar
