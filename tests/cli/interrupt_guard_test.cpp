// Ctrl-C during a rewrite: the first asks for a stop and says so, the second ends the program.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include "cli/interrupt_guard.h"

namespace velmar::cli {
namespace {

using HandlerFunction = void (*)(int);

HandlerFunction currentHandler() {
    struct sigaction now {};
    sigaction(SIGINT, nullptr, &now);
    return now.sa_handler;
}

TEST(InterruptGuard, FirstCtrlCAsksForAStopAndTheOldHandlerComesBack) {
    const HandlerFunction before = std::signal(SIGINT, SIG_IGN);
    {
        InterruptGuard guard("stopping soon\n");
        EXPECT_EQ(InterruptGuard::stopAsked(), 0);
        ::testing::internal::CaptureStderr();
        std::raise(SIGINT);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "stopping soon\n");
        EXPECT_EQ(InterruptGuard::stopAsked(), 1);
        EXPECT_EQ(currentHandler(), SIG_DFL) << "a second Ctrl-C must end the program";
    }
    EXPECT_EQ(currentHandler(), SIG_IGN);
    {
        InterruptGuard next("");
        EXPECT_EQ(InterruptGuard::stopAsked(), 0) << "an earlier stop must not carry over";
    }
    std::signal(SIGINT, before);
}

TEST(InterruptGuard, SecondCtrlCEndsTheProgramAtOnce) {
    EXPECT_EXIT(
        {
            InterruptGuard guard("");
            std::raise(SIGINT);
            std::raise(SIGINT);
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGINT), "");
}

}  // namespace
}  // namespace velmar::cli
