#include "sim/virtual_line.h"

#include <algorithm>
#include <cmath>

namespace velmar::sim {

Micros VirtualSerial::Burst::arrivalOf(std::size_t index) const {
    return start + Micros(static_cast<int64_t>(std::ceil((index + 1) * byteMicros)));
}

std::size_t VirtualSerial::Burst::arrivedBy(Micros time) const {
    if (time < start) return 0;
    const auto elapsed = static_cast<double>((time - start).count());
    return std::min(bytes.size(), static_cast<std::size_t>(std::floor(elapsed / byteMicros)));
}

VirtualSerial::VirtualSerial(VirtualClock& clock, RadioModel& radio)
    : clock_(clock), radio_(radio), line_(parseLineSettings(kSettings9600)) {}

void VirtualSerial::unplug(std::optional<Micros> time) {
    unplugAt_ = time.value_or(clock_.now());
}

void VirtualSerial::replug() {
    unplugAt_.reset();
    open_ = false;
    dropIncoming();  // nothing in flight survives the adapter going
}

void VirtualSerial::injectIncoming(std::vector<uint8_t> bytes, Micros at) {
    schedule(std::move(bytes), at);
}

void VirtualSerial::setSettings(std::string_view settings) {
    line_ = parseLineSettings(settings);  // a malformed string changes nothing
    settingsText_ = std::string(settings);
    record(WireEvent::Kind::Settings);
}

void VirtualSerial::setCommPort(int16_t port) {
    if (portOpen()) throw SerialError(SerialFault::Other, "port number changed while open");
    port_ = port;
}

void VirtualSerial::setPortOpen(bool open) {
    if (!open) {
        if (open_) record(WireEvent::Kind::Close);
        open_ = false;
        discardIncoming();  // closing discards whatever was waiting
        return;
    }
    if (portOpen()) throw SerialError(SerialFault::Other, "port already open");
    const std::string device = "virtual port " + std::to_string(port_);
    std::optional<SerialFault> fault;
    if (const auto it = portFaults_.find(port_); it != portFaults_.end())
        fault = it->second;
    else if (port_ != radioPort_ || broken())
        fault = SerialFault::NoSuchDevice;
    if (fault) {
        record(WireEvent::Kind::OpenFailed);
        throw SerialError(*fault, device);
    }
    open_ = true;
    discardIncoming();
    record(WireEvent::Kind::Open);
}

void VirtualSerial::checkUsable() const {
    if (broken())
        throw SerialError(SerialFault::DeviceRemoved, "virtual port " + std::to_string(port_));
    if (!open_) throw SerialError(SerialFault::NotOpen, "virtual port " + std::to_string(port_));
}

void VirtualSerial::output(std::span<const uint8_t> bytes) {
    checkUsable();
    record(WireEvent::Kind::Sent, {bytes.begin(), bytes.end()});
    const Micros now = clock_.now();
    const Micros txStart = std::max(now, txFreeAt_);
    if (radio_.pendingBytes() > 0 && txStart - txFreeAt_ >= kRadioIdleGap) radio_.lineIdle();
    const auto lineTime =
        Micros(static_cast<int64_t>(std::ceil(bytes.size() * line_.byteMicroseconds())));
    txFreeAt_ = txStart + lineTime;
    auto replies = responder_ ? responder_(bytes, line_.baud) : radio_.receive(bytes, line_.baud);
    for (auto& reply : replies) schedule(std::move(reply.bytes), txFreeAt_ + reply.delay);
    if (radio_.vanished() && !unplugAt_) unplugAt_ = txFreeAt_;
}

void VirtualSerial::schedule(std::vector<uint8_t> bytes, Micros earliest) {
    if (bytes.empty()) return;
    Burst burst;
    burst.start = std::max(earliest, rxFreeAt_);
    burst.byteMicros = line_.byteMicroseconds();
    burst.bytes = std::move(bytes);
    rxFreeAt_ = burst.end();
    incoming_.push_back(std::move(burst));
}

int VirtualSerial::inBufferCount() {
    checkUsable();
    std::size_t count = 0;
    for (const auto& burst : incoming_) count += burst.arrivedBy(clock_.now()) - burst.taken;
    return static_cast<int>(count);
}

std::vector<uint8_t> VirtualSerial::input() {
    checkUsable();
    std::vector<uint8_t> bytes;
    for (auto& burst : incoming_) {
        const std::size_t arrived = burst.arrivedBy(clock_.now());
        bytes.insert(bytes.end(), burst.bytes.begin() + static_cast<std::ptrdiff_t>(burst.taken),
                     burst.bytes.begin() + static_cast<std::ptrdiff_t>(arrived));
        burst.taken = arrived;
    }
    retireTakenBursts();
    record(WireEvent::Kind::Read, bytes);
    return bytes;
}

std::optional<Micros> VirtualSerial::nextEvent() const {
    const Micros now = clock_.now();
    std::optional<Micros> next;
    const auto consider = [&](Micros time) {
        if (time > now && (!next || time < *next)) next = time;
    };
    if (open_) {
        for (const auto& burst : incoming_) consider(burst.end());
        if (unplugAt_) consider(*unplugAt_);
    }
    return next;
}

std::size_t VirtualSerial::arrivedTotal() const {
    std::size_t total = retiredTotal_;
    for (const auto& burst : incoming_) total += burst.arrivedBy(clock_.now());
    return total;
}

void VirtualSerial::discardIncoming() {
    // What has landed is lost. Bytes still on their way keep coming: the radio does not know
    // the port was closed, and they are read once it is open again.
    for (auto& burst : incoming_)
        burst.taken = std::max(burst.taken, burst.arrivedBy(clock_.now()));
    retireTakenBursts();
}

void VirtualSerial::dropIncoming() {
    for (const auto& burst : incoming_) retiredTotal_ += burst.arrivedBy(clock_.now());
    incoming_.clear();
}

void VirtualSerial::retireTakenBursts() {
    std::erase_if(incoming_, [this](const Burst& burst) {
        if (burst.taken != burst.bytes.size()) return false;
        retiredTotal_ += burst.bytes.size();
        return true;
    });
}

std::vector<WireEvent> VirtualSerial::sent() const {
    std::vector<WireEvent> out;
    std::copy_if(wire_.begin(), wire_.end(), std::back_inserter(out),
                 [](const WireEvent& e) { return e.kind == WireEvent::Kind::Sent; });
    return out;
}

void VirtualSerial::record(WireEvent::Kind kind, std::vector<uint8_t> bytes) {
    wire_.push_back({kind, clock_.now(), port_, settingsText_, line_.baud, std::move(bytes)});
}

VirtualEventWait::VirtualEventWait(VirtualClock& clock, VirtualSerial& serial)
    : clock_(clock), serial_(serial) {}

void VirtualEventWait::armTimer(std::chrono::milliseconds interval) {
    armed_ = true;
    interval_ = interval;
    armedAt_ = clock_.now();
    deadline_ = armedAt_ + interval;
}

void VirtualEventWait::processEventsOnce() {
    ++passes_;
    if (onPass_) onPass_();
    // Input that landed since the last pass is this pass's event; only without it does the
    // pass wait, jumping the clock to the next event.
    if (serial_.arrivedTotal() == seenArrivals_) {
        std::optional<Micros> next = serial_.nextEvent();
        if (armed_ && (!next || deadline_ < *next)) next = deadline_;
        if (next) clock_.advanceTo(*next);
    }
    seenArrivals_ = serial_.arrivedTotal();
    if (armed_ && clock_.now() >= deadline_) {
        armed_ = false;  // the tick's only work: the timer disarms itself
        ++ticks_;
        if (interval_ == kReplyTimeout) ++timeOuts_;
    }
}

}  // namespace velmar::sim
