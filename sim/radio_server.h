#pragma once
// Serves the radio model on a pseudo-terminal: reads what the tool sends with the line speed
// it set, hands it to the model, sends the model's replies (paced when asked), keeps the
// traffic log and dumps the flash. Single-threaded around poll(); signals arrive on a signalfd.

#include <fstream>
#include <ostream>
#include <string>

#include "sim/pty_device.h"
#include "sim/radio_model.h"
#include "sim/radio_options.h"
#include "sim/reply_pacer.h"

namespace velmar::sim {

class RadioServer {
  public:
    RadioServer(const RadioOptions& options, PtyDevice& pty, std::ostream& diagnostics);

    // Serves until SIGTERM, SIGINT or SIGHUP arrives on `signalFd` or the radio vanishes;
    // SIGUSR1 dumps the flash. Dumps the flash once more before it returns.
    void run(int signalFd);

    // Writes the flash image to the --dump file (atomically: a reader never sees half of it).
    bool dumpFlash();
    const RadioModel& model() const { return model_; }

  private:
    void receiveFromTool(Clock::time_point now);
    void sendDue(Clock::time_point now);
    void logNewFrames();
    bool handleSignal(int signalFd);  // false: stop
    int pollTimeoutMs(Clock::time_point now) const;

    const RadioOptions& options_;
    PtyDevice& pty_;
    std::ostream& diagnostics_;
    RadioModel model_;
    ReplyPacer pacer_;
    std::ofstream log_;
    std::size_t framesLogged_ = 0;
    Clock::time_point started_;
    Clock::time_point lastReceived_{};
    bool idleNoted_ = true;
};

}  // namespace velmar::sim
