#pragma once
#include <cstdint>
#include <functional>

namespace velmar {

// What a write step reports while it runs: the progress value (the bar, 0..128) and the
// block (its first row) or row in flight. Also lets the caller stop between frames.
class WriteObserver {
  public:
    virtual ~WriteObserver() = default;
    virtual float progressValue() const = 0;
    virtual void setProgressValue(float value) = 0;
    virtual void showRow(int32_t row) = 0;
    // A block (current loader) or row (earlier loader) the radio accepted.
    virtual void accepted(int32_t /*startAddress*/) {}
    // Checked before each frame; true ends the step as a failure after the current frame.
    virtual bool stopRequested() const { return false; }
};

inline constexpr float kProgressMaximum = 128.0f;

// Asked before each frame of a step that may send several; true ends the step as a failure
// there, so whatever frame was in flight is the last one. Empty: never stop.
using StopCheck = std::function<bool()>;

}  // namespace velmar
