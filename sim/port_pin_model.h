#pragma once
// The radio controller's port pins as the service command sees them: "QZ~P" + pin + digit + CR
// drives a pin low or high, makes it an input or reads it back. Pins are named by a port digit
// and a bit digit ("00".."97", bit 0..7); every pin starts as an input pulled high.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/command_handler.h"

namespace velmar::sim {

struct PinState {
    bool output = false;
    bool high = true;  // driven level for an output, the level on the wire for an input
};

class PortPinModel {
  public:
    PortPinModel();

    // Answers one whole command (with its CR): the first 8 bytes of the command, cut or padded
    // with spaces, then CR LF, two status characters, CR LF.
    std::vector<uint8_t> answer(std::string_view command);
    // The same frame around any status pair (for refused commands and the fault plan).
    static std::vector<uint8_t> reply(std::string_view command, std::string_view status);

    std::optional<PinState> pin(std::string_view name) const;
    // What an input reads; an output keeps its driven level until it becomes an input again.
    // False for an unknown pin.
    bool setInputLevel(std::string_view name, bool high);
    // The status pair the last command got ("OK", "NG", "00".."03").
    const std::string& lastStatus() const { return lastStatus_; }

  private:
    std::string statusFor(std::string_view pinName, char digit);
    std::map<std::string, PinState, std::less<>> pins_;
    std::map<std::string, bool, std::less<>> inputLevels_;
    std::string lastStatus_;
};

// Commands starting "QZ~P" up to the first CR, at any line speed unless `baud` is set.
std::unique_ptr<CommandHandler> makePortPinHandler(PortPinModel& pins, int32_t baud = 0);

}  // namespace velmar::sim
