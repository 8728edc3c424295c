#pragma once
// EventWait in a browser page: one pass of events hands the thread back to the page until bytes
// arrive, the line breaks or the reply timer's deadline comes, so the page repaints and the bar
// moves while a step waits, and a transfer costs no processor time between replies. The timer
// is a deadline on the page's clock.

#include <chrono>

#include "platform/event_wait.h"

namespace velmar::web {

class WebEventWait final : public EventWait {
  public:
    void armTimer(std::chrono::milliseconds interval) override;
    void disarmTimer() override { armed_ = false; }
    bool timerArmed() const override { return armed_; }
    void processEventsOnce() override;

  private:
    double deadline_ = 0;  // milliseconds on the page's clock
    bool armed_ = false;
};

}  // namespace velmar::web
