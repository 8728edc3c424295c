// Windows' console events: Windows ends the process as soon as the handler returns from a
// close, logoff or shutdown, so the handler must hold on until the window has gone.

#include <gtest/gtest.h>
#include <windows.h>

#include <QCoreApplication>
#include <atomic>
#include <thread>

#include "app/termination_signals.h"

namespace velmar::testing {
namespace {

TEST(ConsoleEvents, ACloseIsAnsweredOnlyOnceTheWindowHasGone) {
    for (const DWORD event : {CTRL_CLOSE_EVENT, CTRL_LOGOFF_EVENT, CTRL_SHUTDOWN_EVENT}) {
        SCOPED_TRACE(event);
        auto terminations = std::make_unique<TerminationSignals>();
        int received = -1;
        QObject::connect(terminations.get(), &TerminationSignals::received,
                         [&received](int what) { received = what; });
        std::atomic<bool> answered = false;
        std::thread console([&answered, event] {
            EXPECT_TRUE(handleConsoleEvent(event));
            answered = true;
        });
        // Without waiting for events: under wine a post from this foreign thread was seen not
        // to wake a waiting loop every time.
        while (received < 0) QCoreApplication::processEvents();
        EXPECT_EQ(received, static_cast<int>(event));
        EXPECT_FALSE(answered);
        terminations.reset();
        console.join();
        EXPECT_TRUE(answered);
    }
    EXPECT_FALSE(handleConsoleEvent(CTRL_C_EVENT)) << "no instance: the next handler's turn";
}

}  // namespace
}  // namespace velmar::testing
