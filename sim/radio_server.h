#pragma once
// Serves the radio model on a pseudo-terminal: reads what the tool sends with the line speed
// it set, hands it to the model, sends the model's replies (paced when asked), keeps the
// traffic log and dumps the flash. One radio is one loop around poll() on its own pty, so a
// process serving several runs one server per thread and no radio's wake-up touches another.

#include <fstream>
#include <ostream>
#include <string>
#include <utility>

#include "sim/pty_device.h"
#include "sim/radio_model.h"
#include "sim/radio_options.h"
#include "sim/reply_pacer.h"

namespace velmar::sim {

// Descriptors the serving loop watches besides its pty. Both are eventfds.
struct RadioControl {
    int stopFd = -1;  // readable: stop (never read here, so one descriptor stops every radio)
    int dumpFd = -1;  // readable: dump the flash now
};

class RadioServer {
  public:
    // `prefix` starts every diagnostics line; a line is written whole, so radios sharing a
    // stream never mix their words.
    RadioServer(const RadioOptions& options, PtyDevice& pty, std::ostream& diagnostics,
                std::string prefix = "velmar-radio: ");

    // Serves until `control.stopFd` becomes readable or the radio vanishes; `control.dumpFd`
    // dumps the flash. Dumps the flash once more before it returns.
    void run(const RadioControl& control);

    // Writes the flash image to the --dump file (atomically: a reader never sees half of it).
    bool dumpFlash();
    const RadioModel& model() const { return model_; }

  private:
    void receiveFromTool(Clock::time_point now);
    void sendDue(Clock::time_point now);
    void logNewFrames();
    void say(const std::string& line);
    int pollTimeoutMs(Clock::time_point now) const;

    const RadioOptions& options_;
    PtyDevice& pty_;
    std::ostream& diagnostics_;
    std::string prefix_;
    RadioModel model_;
    ReplyPacer pacer_;
    std::ofstream log_;
    std::size_t framesLogged_ = 0;
    Clock::time_point started_;
    Clock::time_point lastReceived_{};
    bool idleNoted_ = true;
};

}  // namespace velmar::sim
