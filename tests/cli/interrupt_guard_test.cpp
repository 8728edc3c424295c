// Ctrl-C, SIGTERM or SIGHUP during a rewrite: the first asks for a stop and says so, the
// second ends the program, after its last words when it has some.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "cli/interrupt_guard.h"

namespace velmar::cli {
namespace {

using HandlerFunction = void (*)(int);

HandlerFunction currentHandler(int signalNumber) {
    struct sigaction now {};
    sigaction(signalNumber, nullptr, &now);
    return now.sa_handler;
}

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

TEST(InterruptGuard, FirstSignalAsksForAStopAndTheOldHandlersComeBack) {
    for (const int first : kStopSignals) {
        SCOPED_TRACE(InterruptGuard::signalName(first));
        HandlerFunction before[3];
        for (int i = 0; i < 3; ++i) before[i] = std::signal(kStopSignals[i], SIG_IGN);
        {
            InterruptGuard guard("stopping soon\n");
            EXPECT_EQ(InterruptGuard::stopAsked(), 0);
            ::testing::internal::CaptureStderr();
            std::raise(first);
            EXPECT_EQ(::testing::internal::GetCapturedStderr(), "stopping soon\n");
            EXPECT_EQ(InterruptGuard::stopAsked(), first);
            for (const int each : kStopSignals)
                EXPECT_EQ(currentHandler(each), SIG_DFL) << "a second signal must end the program";
        }
        for (const int each : kStopSignals) EXPECT_EQ(currentHandler(each), SIG_IGN);
        {
            InterruptGuard next("");
            EXPECT_EQ(InterruptGuard::stopAsked(), 0) << "an earlier stop must not carry over";
        }
        for (int i = 0; i < 3; ++i) std::signal(kStopSignals[i], before[i]);
    }
}

TEST(InterruptGuard, SecondSignalEndsTheProgramAtOnceAfterItsLastWords) {
    EXPECT_EXIT(
        {
            InterruptGuard guard("");
            std::raise(SIGTERM);
            std::raise(SIGINT);
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGINT), "");
    EXPECT_EXIT(
        {
            InterruptGuard guard("", [] { std::fputs("what the run knows\n", stderr); });
            std::raise(SIGTERM);
            std::raise(SIGINT);
            // The run itself is stuck in a wait meanwhile.
            std::this_thread::sleep_for(std::chrono::seconds{10});
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGINT), "what the run knows");
}

}  // namespace
}  // namespace velmar::cli
