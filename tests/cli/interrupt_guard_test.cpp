// Ctrl-C, SIGTERM or SIGHUP during a rewrite: the first asks for a stop and says so, the
// second ends the program.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

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

TEST(InterruptGuard, SecondSignalEndsTheProgramAtOnce) {
    EXPECT_EXIT(
        {
            InterruptGuard guard("");
            std::raise(SIGTERM);
            std::raise(SIGINT);
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGINT), "");
}

}  // namespace
}  // namespace velmar::cli
