#include "sim/radio_model.h"

#include <algorithm>
#include <utility>

#include "sim/current_loader_model.h"

namespace velmar::sim {

namespace {
// Status, CR, LF and the closing byte after a current-loader reply's echo.
constexpr std::size_t kReplyTail = 4;
}  // namespace

std::array<uint8_t, kImageBytes> factoryFlash() {
    std::array<uint8_t, kImageBytes> flash{};
    for (std::size_t i = 0; i < flash.size(); ++i) flash[i] = static_cast<uint8_t>(i * 37 + 11);
    return flash;
}

RadioModel::RadioModel() : flash_(factoryFlash()) {
    handlers_.push_back(makeConnectHandler());
    handlers_.push_back(makeLoaderFrameHandler());
    handlers_.push_back(makePortPinHandler(portPins_));
}

RadioModel::~RadioModel() = default;

void RadioModel::setConnectAnswer(ConnectAnswer answer) {
    connectAnswer_ = answer;
}
void RadioModel::setFaultPlan(FaultPlan plan) {
    plan_ = std::move(plan);
}
void RadioModel::addHandler(std::unique_ptr<CommandHandler> handler) {
    handlers_.push_back(std::move(handler));
}

std::vector<RadioReply> RadioModel::receive(std::span<const uint8_t> bytes, int32_t baud) {
    std::vector<RadioReply> replies;
    if (vanished_) return replies;
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    pendingBaud_.insert(pendingBaud_.end(), bytes.size(), baud);
    takeFrames(replies);
    return replies;
}

void RadioModel::lineIdle() {
    if (pending_.empty()) return;
    log_.push_back({"abandoned", pending_.size(), pendingBaud_.back(), false, "partial frame"});
    pending_.clear();
    pendingBaud_.clear();
}

void RadioModel::takeFrames(std::vector<RadioReply>& replies) {
    while (!pending_.empty() && !vanished_) {
        bool mayGrow = false;
        CommandHandler* found = nullptr;
        std::size_t length = 0;
        for (auto& handler : handlers_) {
            const auto match = handler->match(pending_, length);
            if (match == CommandHandler::Match::Complete) {
                found = handler.get();
                break;
            }
            if (match == CommandHandler::Match::NeedMore) mayGrow = true;
        }
        if (found != nullptr) {
            takeCommand(*found, length, replies);
        } else if (mayGrow) {
            return;
        } else {
            dropNoise(1);
        }
    }
}

void RadioModel::dropNoise(std::size_t count) {
    // Consecutive stray bytes share one log line.
    const int32_t baud = pendingBaud_.front();
    if (!log_.empty() && log_.back().kind == "noise" && log_.back().baud == baud)
        log_.back().length += count;
    else
        log_.push_back({"noise", count, baud, false, "ignored"});
    consumePending(count);
}

void RadioModel::consumePending(std::size_t count) {
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
    pendingBaud_.erase(pendingBaud_.begin(),
                       pendingBaud_.begin() + static_cast<std::ptrdiff_t>(count));
}

void RadioModel::takeCommand(CommandHandler& handler, std::size_t length,
                             std::vector<RadioReply>& replies) {
    const std::vector<uint8_t> command(pending_.begin(),
                                       pending_.begin() + static_cast<std::ptrdiff_t>(length));
    const int32_t expected = handler.expectedBaud(command);
    const auto bauds = std::span(pendingBaud_).first(length);
    FrameRecord record{handler.kind(command), length, bauds.back(), false, {}};
    record.wrongSpeed = expected != 0 && std::any_of(bauds.begin(), bauds.end(),
                                                     [&](int32_t b) { return b != expected; });
    consumePending(length);

    const int frame = ++framesReceived_;
    if (plan_.vanishAtFrame != 0 && frame >= plan_.vanishAtFrame) {
        vanished_ = true;
        pending_.clear();
        pendingBaud_.clear();
        record.outcome = "vanished";
    } else if (plan_.silentFromFrame != 0 && frame >= plan_.silentFromFrame) {
        record.outcome = "silent";
    } else if (record.wrongSpeed) {
        // At the wrong speed a UART sees garbage: nothing is understood, nothing answered.
        record.outcome = "not understood";
    } else {
        answer(handler, command, record, replies);
    }
    log_.push_back(std::move(record));
}

const FaultRule* RadioModel::ruleFor(int frame) const {
    for (const auto& rule : plan_.rules)
        if (frame >= rule.frame && frame < rule.frame + std::max(rule.count, 1)) return &rule;
    return nullptr;
}

void RadioModel::answer(CommandHandler& handler, std::span<const uint8_t> command,
                        FrameRecord& record, std::vector<RadioReply>& replies) {
    RadioReply reply{{}, processingDelay_};
    const FaultRule* rule = ruleFor(framesReceived_);
    // Kept before anything returns, so the next frame's Foreign fault has this one to echo.
    const std::vector<uint8_t> previous =
        std::exchange(previousCommand_, std::vector<uint8_t>(command.begin(), command.end()));
    if (rule != nullptr &&
        (rule->kind == FaultKind::AnswerE || rule->kind == FaultKind::Unwritten)) {
        reply.bytes = handler.replyWithStatus(command, 'E');
        record.outcome = "E (fault plan)";
        if (rule->kind == FaultKind::Unwritten) {
            reply.delay += rule->delay;
            record.outcome += ", reply delayed " + std::to_string(rule->delay.count()) + " ms";
        }
        replies.push_back(std::move(reply));
        return;
    }
    HandlerOutcome outcome = handler.handle(command, *this);
    reply.bytes = std::move(outcome.reply);
    record.outcome = std::move(outcome.outcome);
    if (rule != nullptr) {
        switch (rule->kind) {
            case FaultKind::Drop:
                reply.bytes.clear();
                record.outcome += ", reply dropped";
                break;
            case FaultKind::Shorten:
                reply.bytes.resize(std::min(reply.bytes.size(), rule->keepBytes));
                record.outcome += ", reply cut to " + std::to_string(reply.bytes.size());
                break;
            case FaultKind::Delay:
                reply.delay += rule->delay;
                record.outcome += ", reply delayed " + std::to_string(rule->delay.count()) + " ms";
                break;
            case FaultKind::Corrupt:
                for (auto& byte : reply.bytes) byte ^= 0xA5;
                record.outcome += ", reply garbled";
                break;
            case FaultKind::Lengthen:
                reply.bytes.insert(reply.bytes.end(), rule->extraBytes, 0x55);
                record.outcome += ", reply " + std::to_string(rule->extraBytes) + " bytes longer";
                break;
            case FaultKind::Status:
                reply.bytes = handler.replyWithStatus(command, rule->status);
                record.outcome += ", status replaced";
                break;
            case FaultKind::Twice:
                replies.push_back(reply);
                record.outcome += ", reply sent twice";
                break;
            case FaultKind::Foreign:
                if (!previous.empty() && reply.bytes.size() >= kReplyTail) {
                    std::vector<uint8_t> foreign = previous;
                    foreign.insert(foreign.end(), reply.bytes.end() - kReplyTail,
                                   reply.bytes.end());
                    reply.bytes = std::move(foreign);
                    record.outcome += ", reply echoes the frame before";
                }
                break;
            case FaultKind::AnswerE:
            case FaultKind::Unwritten:
                break;
        }
    }
    if (!reply.bytes.empty()) replies.push_back(std::move(reply));
}

void RadioModel::eraseAll() {
    flash_.fill(0xFF);
}

bool RadioModel::program(int32_t address, std::span<const uint8_t> bytes) {
    const int64_t offset = int64_t{address} - kImageFirstAddress;
    if (offset < 0 || offset + static_cast<int64_t>(bytes.size()) > kImageBytes) return false;
    const auto target = std::span(flash_).subspan(static_cast<std::size_t>(offset), bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if ((target[i] & bytes[i]) != bytes[i]) return false;
    std::copy(bytes.begin(), bytes.end(), target.begin());
    return true;
}

}  // namespace velmar::sim
