#pragma once
// The reply wait's two platform pieces: one pass of pending events, and the one-shot reply
// timer (armed at the hand-over of a command, disarmed by its own tick or by the wait).
// Production blocks in the Qt event loop until the next event; tests drive a virtual clock.

#include <chrono>

namespace velmar {

inline constexpr std::chrono::milliseconds kReplyTimeout{2500};

class EventWait {
  public:
    virtual ~EventWait() = default;
    virtual void armTimer(std::chrono::milliseconds interval) = 0;
    virtual void disarmTimer() = 0;
    virtual bool timerArmed() const = 0;
    // Handles what is pending, or waits for the next event (serial data, the timer's tick,
    // user input) when nothing is.
    virtual void processEventsOnce() = 0;
};

}  // namespace velmar
