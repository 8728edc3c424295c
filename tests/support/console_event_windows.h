#pragma once
// A console event as Windows delivers it: the system starts the process's CtrlRoutine on a
// thread of its own, which calls the handlers while it holds the console's lock.

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

namespace velmar::testing {

// The thread running the handlers; the caller closes it.
inline HANDLE deliverConsoleEvent(DWORD event) {
    const auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "CtrlRoutine")));
    if (routine == nullptr) return nullptr;
    return ::CreateThread(nullptr, 0, routine,
                          reinterpret_cast<void*>(static_cast<uintptr_t>(event)), 0, nullptr);
}

// Runs `step` on this thread and ends the test program with a failure if it has not returned
// within a generous bound: a step that waits on the console's lock would hang it for ever.
inline void expectToReturn(const std::function<void()>& step, const char* what) {
    const auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread([done, what] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!*done && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (*done) return;
        std::fprintf(stderr, "%s did not return: it waits on the console's lock\n", what);
        std::fflush(stderr);
        ::TerminateProcess(::GetCurrentProcess(), 1);
    }).detach();
    step();
    *done = true;
}

}  // namespace velmar::testing
