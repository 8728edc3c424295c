#include "sim/port_pin_model.h"

#include <algorithm>

#include "sim/radio_model.h"

namespace velmar::sim {

namespace {

constexpr std::string_view kPinPrefix = "QZ~P";
constexpr std::size_t kEchoLength = 8;
// A command that has not ended by now is not one: it is dropped as noise.
constexpr std::size_t kLongestCommand = 64;

std::string_view asText(std::span<const uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

class PortPinHandler : public CommandHandler {
  public:
    PortPinHandler(PortPinModel& pins, int32_t baud) : pins_(pins), baud_(baud) {}

    Match match(std::span<const uint8_t> pending, std::size_t& length) const override {
        const std::string_view text = asText(pending);
        const std::size_t head = std::min(text.size(), kPinPrefix.size());
        if (text.substr(0, head) != kPinPrefix.substr(0, head)) return Match::NotMine;
        const std::size_t cr = text.find('\r', kPinPrefix.size());
        if (cr != std::string_view::npos) {
            length = cr + 1;
            return Match::Complete;
        }
        return text.size() < kLongestCommand ? Match::NeedMore : Match::NotMine;
    }
    int32_t expectedBaud(std::span<const uint8_t>) const override { return baud_; }
    std::string kind(std::span<const uint8_t> command) const override {
        // "pin "12" op 3": the pin text as sent, then the operation digit.
        std::string_view text = asText(command);
        text.remove_prefix(kPinPrefix.size());
        text.remove_suffix(1);
        if (text.empty()) return "pin without digit";
        const char digit = text.back();
        text.remove_suffix(1);
        return "pin \"" + std::string(text) + "\" op " + digit;
    }
    HandlerOutcome handle(std::span<const uint8_t> command, RadioModel&) override {
        std::vector<uint8_t> reply = pins_.answer(asText(command));
        return {std::move(reply), pins_.lastStatus()};
    }
    std::vector<uint8_t> replyWithStatus(std::span<const uint8_t> command,
                                         uint8_t status) const override {
        const char pair[2] = {static_cast<char>(status), static_cast<char>(status)};
        return PortPinModel::reply(asText(command), std::string_view(pair, 2));
    }

  private:
    PortPinModel& pins_;
    int32_t baud_;
};

}  // namespace

PortPinModel::PortPinModel() {
    for (char port = '0'; port <= '9'; ++port)
        for (char bit = '0'; bit <= '7'; ++bit) {
            const std::string name{port, bit};
            pins_.emplace(name, PinState{});
            inputLevels_.emplace(name, true);
        }
}

std::vector<uint8_t> PortPinModel::answer(std::string_view command) {
    // The operation digit is the last byte before the CR; whatever lies between the prefix and
    // the digit names the pin, exactly as typed.
    std::string_view body = command;
    if (body.ends_with('\r')) body.remove_suffix(1);
    lastStatus_ = "NG";
    if (body.starts_with(kPinPrefix) && body.size() > kPinPrefix.size()) {
        const std::string_view name =
            body.substr(kPinPrefix.size(), body.size() - kPinPrefix.size() - 1);
        lastStatus_ = statusFor(name, body.back());
    }
    return reply(command, lastStatus_);
}

std::vector<uint8_t> PortPinModel::reply(std::string_view command, std::string_view status) {
    std::vector<uint8_t> bytes(
        command.begin(),
        command.begin() + static_cast<std::ptrdiff_t>(std::min(command.size(), kEchoLength)));
    bytes.resize(kEchoLength, ' ');
    for (const char c : {'\r', '\n', status[0], status[1], '\r', '\n'})
        bytes.push_back(static_cast<uint8_t>(c));
    return bytes;
}

std::string PortPinModel::statusFor(std::string_view pinName, char digit) {
    const auto found = pins_.find(pinName);
    if (found == pins_.end()) return "NG";
    PinState& state = found->second;
    switch (digit) {
        case '0':
            state = PinState{true, false};
            return "OK";
        case '1':
            state = PinState{true, true};
            return "OK";
        case '2':
            state = PinState{false, inputLevels_.find(pinName)->second};
            return "OK";
        case '3':
            return {'0', static_cast<char>('0' + (state.output ? 0 : 2) + (state.high ? 1 : 0))};
        default:
            return "NG";
    }
}

std::optional<PinState> PortPinModel::pin(std::string_view name) const {
    const auto found = pins_.find(name);
    if (found == pins_.end()) return std::nullopt;
    return found->second;
}

bool PortPinModel::setInputLevel(std::string_view name, bool high) {
    const auto level = inputLevels_.find(name);
    if (level == inputLevels_.end()) return false;
    level->second = high;
    PinState& state = pins_.find(name)->second;
    if (!state.output) state.high = high;
    return true;
}

std::unique_ptr<CommandHandler> makePortPinHandler(PortPinModel& pins, int32_t baud) {
    return std::make_unique<PortPinHandler>(pins, baud);
}

}  // namespace velmar::sim
