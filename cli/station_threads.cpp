#include "cli/station_threads.h"

#include <QThread>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace velmar::cli {

namespace {

constexpr auto kRedrawPeriod = std::chrono::milliseconds(250);

}  // namespace

void runEachOnItsThread(std::size_t count, const std::function<void(std::size_t)>& work,
                        StationDisplay& display) {
    std::mutex doneMutex;
    std::condition_variable doneChanged;
    std::size_t running = count;
    std::vector<std::unique_ptr<QThread>> threads;
    for (std::size_t i = 0; i < count; ++i) {
        threads.emplace_back(QThread::create([&, i] {
            work(i);
            const std::lock_guard lock(doneMutex);
            --running;
            doneChanged.notify_all();
        }));
        threads.back()->start();
    }
    {
        std::unique_lock lock(doneMutex);
        while (running > 0) {
            lock.unlock();
            display.redraw();
            lock.lock();
            doneChanged.wait_for(lock, kRedrawPeriod, [&] { return running == 0; });
        }
    }
    for (auto& thread : threads) thread->wait();
    display.redraw();
}

}  // namespace velmar::cli
