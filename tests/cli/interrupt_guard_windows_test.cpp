// A console closed during a rewrite, delivered as Windows does: on a thread of its own that
// holds the console's lock while the handler runs.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "cli/interrupt_guard.h"
#include "support/console_event_windows.h"

namespace velmar::cli {
namespace {

TEST(InterruptGuard, AClosedConsoleAsksForTheStopAndTheGuardsEndDoesNotWaitOnTheConsole) {
    auto guard = std::make_unique<InterruptGuard>("stopping soon\n");
    const HANDLE console = testing::deliverConsoleEvent(CTRL_CLOSE_EVENT);
    ASSERT_NE(console, nullptr);
    for (int i = 0; i < 2000 && InterruptGuard::stopAsked() == 0; ++i) ::Sleep(10);
    EXPECT_STREQ(InterruptGuard::signalName(InterruptGuard::stopAsked()), "the console closing");
    // Windows would end the process as soon as the handler returned, before the run's end.
    EXPECT_EQ(::WaitForSingleObject(console, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    testing::expectToReturn([&guard] { guard.reset(); }, "the guard's end");
    ::CloseHandle(console);
}

}  // namespace
}  // namespace velmar::cli
