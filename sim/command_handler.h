#pragma once
// One kind of command the radio understands: how to find it at the head of the bytes received,
// the line speed it must arrive at, and what the radio does and answers. The radio model tries
// its handlers in order; new loader generations or service commands are new handlers.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velmar::sim {

class RadioModel;

// What a handler made of one complete command.
struct HandlerOutcome {
    std::vector<uint8_t> reply;  // empty: the radio answers nothing
    std::string outcome;         // for the traffic log ("C", "B", "P", "E", ...)
};

class CommandHandler {
  public:
    enum class Match { NotMine, NeedMore, Complete };
    virtual ~CommandHandler() = default;

    // Looks at the head of the pending input. On Complete, `length` is the command's length.
    virtual Match match(std::span<const uint8_t> pending, std::size_t& length) const = 0;
    // The speed the radio listens at for this command; 0 when any speed is understood.
    virtual int32_t expectedBaud(std::span<const uint8_t> command) const = 0;
    // Short name for the traffic log ("connect", "erase", "write 04000", ...).
    virtual std::string kind(std::span<const uint8_t> command) const = 0;
    // Acts on the command (erase, program, ...) and builds the reply.
    virtual HandlerOutcome handle(std::span<const uint8_t> command, RadioModel& radio) = 0;
    // The reply with `status` in place of the real one, without acting (a refused command).
    virtual std::vector<uint8_t> replyWithStatus(std::span<const uint8_t> command,
                                                 uint8_t status) const = 0;
};

}  // namespace velmar::sim
