// The reply wait's Qt implementation, natively and under wine: its timer, and the finer timer
// period it asks Windows for only while the timer is armed.

#include <gtest/gtest.h>

#include "platform/qt/qt_event_wait.h"
#include "window_fixture.h"

namespace velmar::testing {
namespace {

TEST(QtEventWait, TheTimerTicksOnceAndDisarmingStopsIt) {
    application();
    QtEventWait wait;
    EXPECT_FALSE(wait.timerArmed());
    EXPECT_FALSE(wait.finerTimerPeriodHeld());
    wait.armTimer(std::chrono::milliseconds{20});
    EXPECT_TRUE(wait.timerArmed());
    EXPECT_TRUE(wait.finerTimerPeriodHeld());
    while (wait.timerArmed()) wait.processEventsOnce();  // ends only by the tick
    EXPECT_FALSE(wait.finerTimerPeriodHeld());
    wait.armTimer(std::chrono::milliseconds{20});
    wait.disarmTimer();
    EXPECT_FALSE(wait.timerArmed());
    EXPECT_FALSE(wait.finerTimerPeriodHeld());
}

}  // namespace
}  // namespace velmar::testing
