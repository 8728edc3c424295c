#include "sim/radio_server.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <iomanip>
#include <mutex>
#include <string>

#include "sim/earlier_loader_model.h"

namespace velmar::sim {

namespace {

std::mutex diagnosticsMutex;

}  // namespace

RadioServer::RadioServer(const RadioOptions& options, PtyDevice& pty, std::ostream& diagnostics,
                         std::string prefix)
    : options_(options),
      pty_(pty),
      diagnostics_(diagnostics),
      prefix_(std::move(prefix)),
      pacer_(options.paced),
      started_(Clock::now()) {
    model_.setConnectAnswer(options.connectAnswer);
    model_.setFaultPlan(options.faults);
    if (options.earlierLoader) useEarlierLoader(model_);
    for (const std::string& pin : options.lowInputPins) model_.portPins().setInputLevel(pin, false);
    if (options.logPath) {
        log_.open(*options.logPath, std::ios::out | std::ios::trunc);
        if (!log_) say("cannot write the log " + *options.logPath);
    }
}

void RadioServer::say(const std::string& line) {
    const std::lock_guard lock(diagnosticsMutex);
    diagnostics_ << prefix_ + line + "\n" << std::flush;
}

bool RadioServer::dumpFlash() {
    if (!options_.dumpPath) return true;
    const std::string temporary = *options_.dumpPath + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        const auto& flash = model_.flash();
        out.write(reinterpret_cast<const char*>(flash.data()),
                  static_cast<std::streamsize>(flash.size()));
        if (!out) {
            say("cannot write the dump " + temporary);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, *options_.dumpPath, ec);
    if (ec) say("cannot write the dump " + *options_.dumpPath);
    return !ec;
}

void RadioServer::logNewFrames() {
    const auto& records = model_.log();
    for (; framesLogged_ < records.size(); ++framesLogged_) {
        const FrameRecord& record = records[framesLogged_];
        const std::size_t number = framesLogged_ + 1;
        if (record.wrongSpeed)
            say("frame " + std::to_string(number) + " (" + record.kind + ") came at " +
                std::to_string(record.baud) + " baud, a speed the loader does not read");
        if (!log_) continue;
        const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
        log_ << std::fixed << std::setprecision(6) << seconds << " frame " << number << " "
             << record.kind << " " << record.length << " bytes at " << record.baud
             << " baud: " << record.outcome << (record.wrongSpeed ? " (WRONG SPEED)" : "") << "\n";
    }
    if (log_) log_.flush();
}

void RadioServer::receiveFromTool(Clock::time_point now) {
    std::array<uint8_t, 4096> buffer{};
    for (;;) {
        const std::size_t count = pty_.read(buffer);
        if (count == 0) return;
        const int32_t baud = pty_.lineBaud();
        const Clock::time_point frameEnd = pacer_.received(count, baud, now);
        const std::vector<RadioReply> replies =
            model_.receive(std::span<const uint8_t>(buffer.data(), count), baud);
        logNewFrames();
        for (const RadioReply& reply : replies) {
            if (log_)
                log_ << "  reply " << reply.bytes.size() << " bytes"
                     << (reply.delay.count() > 0
                             ? " after " + std::to_string(reply.delay.count() / 1000) + " ms"
                             : std::string{})
                     << "\n";
            pacer_.queueReply(reply.bytes, reply.delay, baud, frameEnd);
        }
        lastReceived_ = std::max(now, frameEnd);
        idleNoted_ = false;
        if (model_.vanished()) return;
    }
}

void RadioServer::sendDue(Clock::time_point now) {
    std::vector<uint8_t> bytes = pacer_.due(now);
    if (bytes.empty()) return;
    // A serial line without flow control has no back-pressure: what the far end cannot take
    // is lost, as it would be on a real line.
    const std::size_t written = pty_.write(bytes);
    if (written < bytes.size() && log_)
        log_ << "  lost " << bytes.size() - written << " reply bytes: nobody was reading\n";
}

int RadioServer::pollTimeoutMs(Clock::time_point now) const {
    std::optional<Clock::time_point> wake = pacer_.nextWake();
    if (!idleNoted_) {
        const Clock::time_point idleAt =
            lastReceived_ + std::chrono::milliseconds(options_.idleMilliseconds);
        wake = wake ? std::min(*wake, idleAt) : idleAt;
    }
    if (!wake) return -1;
    if (*wake <= now) return 0;
    // Round up so a wake-up never comes before its time and spins.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*wake - now);
    return static_cast<int>(std::min<int64_t>(wait.count(), 60'000));
}

void RadioServer::run(const RadioControl& control) {
    for (;;) {
        Clock::time_point now = Clock::now();
        std::array<pollfd, 3> fds{};
        fds[0] = {control.stopFd, POLLIN, 0};
        fds[1] = {control.dumpFd, POLLIN, 0};
        fds[2] = {pty_.masterFd(), POLLIN, 0};
        const int ready = ::poll(fds.data(), fds.size(), pollTimeoutMs(now));
        if (ready < 0 && errno != EINTR) {
            say("poll failed");
            break;
        }
        now = Clock::now();
        if (fds[0].revents & POLLIN) break;
        if (fds[1].revents & POLLIN) {
            uint64_t requests = 0;
            if (::read(control.dumpFd, &requests, sizeof requests) > 0) dumpFlash();
        }
        if (fds[2].revents & POLLIN) receiveFromTool(now);
        if (model_.vanished()) {
            say("vanished at frame " + std::to_string(model_.log().size()));
            if (log_) log_ << "vanished: device closed\n";
            pacer_.clear();
            pty_.close();
            break;
        }
        sendDue(now);
        if (!idleNoted_ &&
            now - lastReceived_ >= std::chrono::milliseconds(options_.idleMilliseconds)) {
            model_.lineIdle();
            idleNoted_ = true;
        }
    }
    if (log_) log_.flush();
    dumpFlash();
}

}  // namespace velmar::sim
