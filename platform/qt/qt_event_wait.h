#pragma once
// EventWait over the Qt event loop: the reply timer is a precise one-shot QTimer (a coarse
// timer fires up to 5% early), and one pass of events blocks until something happens, so a
// transfer sleeps between the serial port's notifications instead of spinning. On Windows the
// port is polled and nothing wakes the loop when bytes arrive, so a wait for a reply there
// sleeps at most a couple of milliseconds per pass, and the reply timer ends by the clock too.

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

  private:
    QTimer timer_;
    bool armed_ = false;
#ifdef _WIN32
    std::chrono::steady_clock::time_point deadline_;
#endif
};

}  // namespace velmar
