#include "sim/current_loader_model.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "sim/radio_model.h"

namespace velmar::sim {

namespace {

// Echo, status, CR, LF and a closing byte: the shape of every current-loader reply.
std::vector<uint8_t> echoReply(std::span<const uint8_t> command, uint8_t status) {
    std::vector<uint8_t> reply(command.begin(), command.end());
    reply.insert(reply.end(), {status, '\r', '\n', 0x00});
    return reply;
}

bool startsWith(std::span<const uint8_t> bytes, std::string_view text) {
    return bytes.size() >= text.size() && std::equal(text.begin(), text.end(), bytes.begin());
}

class ConnectHandler : public CommandHandler {
  public:
    Match match(std::span<const uint8_t> pending, std::size_t& length) const override {
        bool couldGrow = false;
        for (const std::string_view command : {kLong, kShort}) {
            if (startsWith(pending, command)) {
                length = command.size();
                return Match::Complete;
            }
            const auto head = pending.first(std::min(pending.size(), command.size()));
            if (std::equal(head.begin(), head.end(), command.begin())) couldGrow = true;
        }
        return couldGrow ? Match::NeedMore : Match::NotMine;
    }
    int32_t expectedBaud(std::span<const uint8_t>) const override { return kConnectBaud; }
    std::string kind(std::span<const uint8_t>) const override { return "connect"; }
    HandlerOutcome handle(std::span<const uint8_t> command, RadioModel& radio) override {
        const uint8_t status = radio.connectAnswer() == RadioModel::ConnectAnswer::C ? 'C' : '0';
        return {echoReply(command, status), std::string(1, static_cast<char>(status))};
    }
    std::vector<uint8_t> replyWithStatus(std::span<const uint8_t> command,
                                         uint8_t status) const override {
        return echoReply(command, status);
    }

  private:
    static constexpr std::string_view kLong = "QZ~FLASHU\r\n";
    static constexpr std::string_view kShort = "QZ~FLASH\r\n";
};

class LoaderFrameHandler : public CommandHandler {
  public:
    Match match(std::span<const uint8_t> pending, std::size_t& length) const override {
        if (pending.empty() || pending[0] != 0xFF) return Match::NotMine;
        if (pending.size() < 2) return Match::NeedMore;
        if (pending[1] != 0xFE) return Match::NotMine;
        if (pending.size() < kLoaderFrameLength) return Match::NeedMore;
        length = kLoaderFrameLength;
        return Match::Complete;
    }
    int32_t expectedBaud(std::span<const uint8_t>) const override { return kFrameBaud; }
    std::string kind(std::span<const uint8_t> frame) const override {
        const std::string_view letters(reinterpret_cast<const char*>(frame.data()) + 2, 2);
        if (letters == "BE") return "erase";
        if (letters == "ED") return "end";
        if (letters == "PG") {
            char text[16];
            std::snprintf(text, sizeof text, "write %05X", static_cast<unsigned>(address(frame)));
            return text;
        }
        return "frame " + std::string(letters);
    }
    HandlerOutcome handle(std::span<const uint8_t> frame, RadioModel& radio) override {
        if (!sumMatches(frame)) return refuse(frame, "E (bad sum)");
        const std::string_view letters(reinterpret_cast<const char*>(frame.data()) + 2, 2);
        if (letters == "BE") {
            radio.eraseAll();
            return {echoReply(frame, 'B'), "B"};
        }
        if (letters == "ED") return {echoReply(frame, 'D'), "D"};
        if (letters == "PG") {
            const int32_t start = address(frame);
            if (start % 0x400 != 0) return refuse(frame, "E (unaligned address)");
            if (!radio.program(start, frame.subspan(7, 1024)))
                return refuse(frame, "E (not erased or outside the flash)");
            return {echoReply(frame, 'P'), "P"};
        }
        return refuse(frame, "E (unknown command)");
    }
    std::vector<uint8_t> replyWithStatus(std::span<const uint8_t> frame,
                                         uint8_t status) const override {
        return echoReply(frame, status);
    }

  private:
    static int32_t address(std::span<const uint8_t> frame) {
        return (frame[4] << 16) | (frame[5] << 8) | frame[6];
    }
    static bool sumMatches(std::span<const uint8_t> frame) {
        uint32_t sum = 0;
        for (std::size_t i = 2; i + 1 < kLoaderFrameLength; ++i) sum += frame[i];
        return static_cast<uint8_t>(sum) == frame[kLoaderFrameLength - 1];
    }
    static HandlerOutcome refuse(std::span<const uint8_t> frame, std::string why) {
        return {echoReply(frame, 'E'), std::move(why)};
    }
};

}  // namespace

std::unique_ptr<CommandHandler> makeConnectHandler() {
    return std::make_unique<ConnectHandler>();
}
std::unique_ptr<CommandHandler> makeLoaderFrameHandler() {
    return std::make_unique<LoaderFrameHandler>();
}

}  // namespace velmar::sim
