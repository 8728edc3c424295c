#pragma once
// An in-process serial line to the radio model on a virtual clock: bytes take the time they
// would on a real line (10 bits per byte at the speed in force), replies land when the model
// says, and the reply timer ticks at its virtual deadline. Waiting jumps the clock straight to
// the next event, so a 7.5 s retry case runs in microseconds and the same every time.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/event_wait.h"
#include "platform/line_settings.h"
#include "platform/serial_control.h"
#include "sim/radio_model.h"

namespace velmar::sim {

using Micros = std::chrono::microseconds;

class VirtualClock {
  public:
    Micros now() const { return now_; }
    // Never runs backwards.
    void advanceTo(Micros time) { now_ = std::max(now_, time); }
    void advanceBy(Micros delta) { now_ += delta; }

  private:
    Micros now_{0};
};

// What happened on the tool's side of the line, in order, for tests and traces.
struct WireEvent {
    enum class Kind { Open, OpenFailed, Close, Settings, Sent, Read };
    Kind kind;
    Micros at{0};
    int16_t port = 0;
    std::string settings;  // Open, Settings: the settings string in force
    int32_t baud = 0;      // Sent, Read: the speed in force
    std::vector<uint8_t> bytes;
};

class VirtualSerial : public SerialControl {
  public:
    VirtualSerial(VirtualClock& clock, RadioModel& radio);

    // The port number the radio hangs on (1 unless set); other numbers have no device.
    void setRadioPort(int16_t port) { radioPort_ = port; }
    // Opening `port` fails with `fault` (busy, permission denied, ...).
    void setPortFault(int16_t port, SerialFault fault) { portFaults_[port] = fault; }
    // The adapter disappears at `time` (now when omitted): the open port breaks and reopening
    // finds no device. The radio vanishing from the model has the same effect.
    void unplug(std::optional<Micros> time = std::nullopt);
    void replug();
    // Bytes from the radio that nobody asked for, landing from `at` on at the current speed.
    void injectIncoming(std::vector<uint8_t> bytes, Micros at);
    // Answers every output in place of the radio model (for replies no sound radio gives).
    using Responder = std::function<std::vector<RadioReply>(std::span<const uint8_t>, int32_t)>;
    void setResponder(Responder responder) { responder_ = std::move(responder); }

    // Idle gap after which the radio drops a partial frame (its own inter-frame time-out).
    static constexpr Micros kRadioIdleGap{50'000};

    // SerialControl
    void setSettings(std::string_view settings) override;
    std::string settings() const override { return settingsText_; }
    void setCommPort(int16_t port) override;
    int16_t commPort() const override { return port_; }
    bool portOpen() const override { return open_ && !broken(); }
    void setPortOpen(bool open) override;
    void output(std::span<const uint8_t> bytes) override;
    using SerialControl::output;
    int inBufferCount() override;
    std::vector<uint8_t> input() override;

    // The next moment something happens on the line after now (a reply completes, the
    // adapter goes), or nullopt when nothing is on its way.
    std::optional<Micros> nextEvent() const;
    // Every byte that has landed so far, read, waiting or discarded: it grows whenever input
    // arrives, which is what a pass of the event loop notices.
    std::size_t arrivedTotal() const;

    const std::vector<WireEvent>& wire() const { return wire_; }
    // The bytes of every output call, in order, with the speed each went at.
    std::vector<WireEvent> sent() const;
    int32_t baud() const { return line_.baud; }

  private:
    // Bytes arriving back to back from `start`, one every `byteMicros`.
    struct Burst {
        Micros start{0};
        double byteMicros = 0;
        std::vector<uint8_t> bytes;
        std::size_t taken = 0;  // already read by the tool
        Micros arrivalOf(std::size_t index) const;
        std::size_t arrivedBy(Micros time) const;
        Micros end() const { return arrivalOf(bytes.size() - 1); }
    };
    bool broken() const { return unplugAt_.has_value() && clock_.now() >= *unplugAt_; }
    void checkUsable() const;
    void schedule(std::vector<uint8_t> bytes, Micros earliest);
    void record(WireEvent::Kind kind, std::vector<uint8_t> bytes = {});
    void discardIncoming();
    void dropIncoming();
    void retireTakenBursts();

    VirtualClock& clock_;
    RadioModel& radio_;
    std::string settingsText_ = kSettings9600;
    LineSettings line_;
    int16_t port_ = 0;
    int16_t radioPort_ = 1;
    std::map<int16_t, SerialFault> portFaults_;
    bool open_ = false;
    std::optional<Micros> unplugAt_;
    std::vector<Burst> incoming_;
    std::size_t retiredTotal_ = 0;  // bytes of bursts no longer held (read or discarded)
    Micros txFreeAt_{0};
    Micros rxFreeAt_{0};
    std::vector<WireEvent> wire_;
    Responder responder_;
};

// The reply wait on the virtual clock: one pass jumps to the next event (a reply landing, the
// adapter going, the timer's deadline) and handles it.
class VirtualEventWait : public EventWait {
  public:
    VirtualEventWait(VirtualClock& clock, VirtualSerial& serial);

    void armTimer(std::chrono::milliseconds interval) override;
    void disarmTimer() override { armed_ = false; }
    bool timerArmed() const override { return armed_; }
    void processEventsOnce() override;

    // Runs at the start of every pass, standing in for user input handled during a wait.
    void setOnPass(std::function<void()> onPass) { onPass_ = std::move(onPass); }
    int passes() const { return passes_; }
    int ticks() const { return ticks_; }
    // Ticks of the timer armed for a whole reply wait (not for a shorter quiet moment).
    int timeOuts() const { return timeOuts_; }
    // When the timer was last armed, on the virtual clock.
    Micros armedAt() const { return armedAt_; }

  private:
    VirtualClock& clock_;
    VirtualSerial& serial_;
    bool armed_ = false;
    Micros armedAt_{0};
    Micros deadline_{0};
    std::function<void()> onPass_;
    int passes_ = 0;
    int ticks_ = 0;
    int timeOuts_ = 0;
    std::chrono::milliseconds interval_{0};
    std::size_t seenArrivals_ = 0;
};

}  // namespace velmar::sim
