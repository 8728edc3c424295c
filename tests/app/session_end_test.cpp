// The end of a Windows session as Windows announces it: WM_QUERYENDSESSION sent to the window
// from another thread. Needs Windows' own windows (under wine, its null display driver), so
// tests/winwire/japanese_desktop_test.sh runs it with VELMAR_TEST_PLATFORM=windows.

#include <gtest/gtest.h>
#include <windows.h>

#include <QGuiApplication>
#include <atomic>
#include <thread>

#include "app/session_end.h"
#include "records/service_log.h"
#include "window_bench.h"

namespace velmar::testing {
namespace {

// The answer to WM_QUERYENDSESSION, while this thread goes on dispatching as the window's does.
LRESULT askToEndTheSession(HWND window) {
    std::atomic<bool> answered = false;
    LRESULT answer = -1;
    std::thread system([&] {
        answer = ::SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
        answered = true;
    });
    while (!answered) QCoreApplication::processEvents();
    system.join();
    return answer;
}

TEST(SessionEnd, TheRewriteStopsAfterTheFrameInFlightAndIsLogged) {
    if (QGuiApplication::platformName() != "windows")
        GTEST_SKIP() << "needs Windows' own windows: VELMAR_TEST_PLATFORM=windows";
    WindowBench w;
    w.window->show();
    SessionEnd sessionEnd(*w.window);
    application().installNativeEventFilter(&sessionEnd);
    const auto window = reinterpret_cast<HWND>(w.window->winId());
    LRESULT duringRewrite = -1;
    w.bench.wait.setOnPass([&] {
        if (duringRewrite == -1 && w.frameKinds().size() == 3)
            duringRewrite = askToEndTheSession(window);
    });
    w["cmdMacro_0"]->click();

    EXPECT_EQ(duringRewrite, FALSE) << "held back while the frame in flight ends";
    EXPECT_EQ(w.dialogs.texts().back(), "Writing failure");
    EXPECT_EQ(w.frameKinds(), (std::vector<std::string>{"connect", "erase", "write 04000"}));
    EXPECT_FALSE(w.window->isVisible());
    const ServiceLogTail log = readServiceLog(serviceLogPath(), 1);
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].result, "Writing failure");
    EXPECT_EQ(log.records[0].blocksWritten, 1);
    application().removeNativeEventFilter(&sessionEnd);
}

}  // namespace
}  // namespace velmar::testing
