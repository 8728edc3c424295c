#include "sim/earlier_loader_model.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <utility>

#include "image/memory_image.h"
#include "sim/radio_model.h"

namespace velmar::sim {

namespace {

using Request = std::array<uint8_t, kEarlierRequestLength>;
constexpr Request kEraseRequest{0x01, 0x01, 0x0D, 0x0A};
constexpr Request kEndRequest{0x00, 0x00, 0x0D, 0x0A};
constexpr Request kOk{'O', 'K', 0x0D, 0x0A};
constexpr Request kNg{'N', 'G', 0x0D, 0x0A};
constexpr std::array<Request, 4> kRequests{kEraseRequest, kEndRequest, kOk, kNg};
constexpr std::size_t kRowDataBytes = 16;
constexpr uint8_t kFirstRowHighByte = kImageFirstAddress >> 8;

bool sameHead(std::span<const uint8_t> pending, const Request& request) {
    const auto head = pending.first(std::min(pending.size(), request.size()));
    return std::equal(head.begin(), head.end(), request.begin());
}

// A row frame starts with an address of at least 0x4000 whose low byte is a multiple of 16;
// that keeps it apart from "OK", "NG" (second bytes 'K', 'G') and the "QZ~" texts ('Z').
bool couldBeRowFrame(std::span<const uint8_t> pending) {
    if (pending[0] < kFirstRowHighByte) return false;
    return pending.size() < 2 || pending[1] % 16 == 0;
}

std::string addressText(int32_t address) {
    char text[8];
    std::snprintf(text, sizeof text, "%05X", static_cast<unsigned>(address));
    return text;
}

int32_t rowFrameAddress(std::span<const uint8_t> frame) {
    return frame[0] * 256 + frame[1];
}

// The bytes in front of the judged positions carry no meaning the tool uses; the loader puts a
// short text there, ended by CR LF at index 21.
std::vector<uint8_t> replyHeader(const std::string& text) {
    std::vector<uint8_t> header(text.begin(), text.end());
    header.resize(kEarlierEchoIndex - 2, ' ');
    header.push_back('\r');
    header.push_back('\n');
    return header;
}

class EarlierLoaderHandler : public CommandHandler {
  public:
    Match match(std::span<const uint8_t> pending, std::size_t& length) const override {
        if (pending.empty()) return Match::NotMine;
        for (const Request& request : kRequests) {
            if (!sameHead(pending, request)) continue;
            if (pending.size() < request.size()) return Match::NeedMore;
            length = request.size();
            return Match::Complete;
        }
        if (couldBeRowFrame(pending)) {
            if (pending.size() < kEarlierRowFrameLength) return Match::NeedMore;
            length = kEarlierRowFrameLength;
            return Match::Complete;
        }
        return Match::NotMine;
    }

    int32_t expectedBaud(std::span<const uint8_t>) const override { return kEarlierBaud; }

    std::string kind(std::span<const uint8_t> command) const override {
        if (command.size() == kEarlierRowFrameLength)
            return "earlier row " + addressText(rowFrameAddress(command));
        if (sameHead(command, kEraseRequest)) return "earlier erase";
        if (sameHead(command, kEndRequest)) return "earlier end";
        return sameHead(command, kOk) ? "earlier OK" : "earlier NG";
    }

    HandlerOutcome handle(std::span<const uint8_t> command, RadioModel& radio) override {
        if (command.size() == kEarlierRowFrameLength) {
            echoed_.assign(command.begin(), command.end());
            return {earlierEchoReply(command), "echo"};
        }
        if (sameHead(command, kOk)) return acknowledge(radio);
        echoed_.clear();
        if (sameHead(command, kNg)) return {earlierStatusReply('0'), "row dropped"};
        if (sameHead(command, kEraseRequest)) radio.eraseAll();
        return {earlierRequestReply('0'), "0"};
    }

    std::vector<uint8_t> replyWithStatus(std::span<const uint8_t> command,
                                         uint8_t status) const override {
        if (command.size() == kEarlierRequestLength && !sameHead(command, kOk) &&
            !sameHead(command, kNg))
            return earlierRequestReply(status);
        return earlierStatusReply(status);
    }

  private:
    HandlerOutcome acknowledge(RadioModel& radio) {
        if (echoed_.empty()) return {earlierStatusReply('1'), "no row echoed"};
        const std::vector<uint8_t> row = std::exchange(echoed_, {});
        const auto cells = std::span(row).subspan(2, kRowDataBytes);
        // Flash only clears bits; a row over unerased cells is refused with "1".
        if (!radio.program(rowFrameAddress(row), cells))
            return {earlierStatusReply('1'), "1 (not erased)"};
        return {earlierStatusReply('0'), "programmed"};
    }

    std::vector<uint8_t> echoed_;  // the row echoed last, until "OK" or "NG" settles it
};

}  // namespace

std::unique_ptr<CommandHandler> makeEarlierLoaderHandler() {
    return std::make_unique<EarlierLoaderHandler>();
}

void useEarlierLoader(RadioModel& radio) {
    radio.setConnectAnswer(RadioModel::ConnectAnswer::Zero);
    radio.addHandler(makeEarlierLoaderHandler());
}

std::vector<uint8_t> earlierRequestReply(uint8_t status) {
    return {status, 0x0D, 0x0A, 0x00};
}

std::vector<uint8_t> earlierStatusReply(uint8_t status) {
    std::vector<uint8_t> reply = replyHeader("ACK");
    reply.push_back(status);
    reply.resize(kEarlierReplyLength - 2, ' ');
    reply.push_back('\r');
    reply.push_back('\n');
    return reply;
}

std::vector<uint8_t> earlierEchoReply(std::span<const uint8_t> frame) {
    std::vector<uint8_t> reply =
        replyHeader(frame.size() >= 2 ? "ROW " + addressText(rowFrameAddress(frame)) : "ROW");
    reply.insert(reply.end(), frame.begin(), frame.end());
    reply.resize(kEarlierReplyLength, 0x00);
    return reply;
}

}  // namespace velmar::sim
