// Windows' console events, delivered as Windows does: on a thread of their own that holds the
// console's lock while the handler runs.

#include <gtest/gtest.h>
#include <windows.h>

#include <QCoreApplication>
#include <memory>

#include "app/termination_signals.h"
#include "support/console_event_windows.h"

namespace velmar::testing {
namespace {

TEST(ConsoleEvents, ACloseReachesTheWindowAndItsEndDoesNotWaitOnTheConsole) {
    auto terminations = std::make_unique<TerminationSignals>();
    int received = -1;
    QObject::connect(terminations.get(), &TerminationSignals::received,
                     [&received](int what) { received = what; });
    const HANDLE console = deliverConsoleEvent(CTRL_CLOSE_EVENT);
    ASSERT_NE(console, nullptr);
    // Without waiting for events: under wine a post from this foreign thread was seen not to
    // wake a waiting loop every time.
    while (received < 0) QCoreApplication::processEvents();
    EXPECT_EQ(received, static_cast<int>(CTRL_CLOSE_EVENT));
    // Windows would end the process as soon as the handler returned.
    EXPECT_EQ(::WaitForSingleObject(console, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    expectToReturn([&terminations] { terminations.reset(); }, "the window's end");
    ::CloseHandle(console);
}

}  // namespace
}  // namespace velmar::testing
