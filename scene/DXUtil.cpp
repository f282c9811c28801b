#include "scene/DXUtil.h"

#include <chrono>

namespace vrel {

namespace {

// Seconds since the first reading, so that absolute times stay small enough for a single's precision.
double SteadySeconds() {
  using Clock = std::chrono::steady_clock;
  static const Clock::time_point epoch = Clock::now();
  return std::chrono::duration<double>(Clock::now() - epoch).count();
}

}  // namespace

TDXTimer::TDXTimer(Clock clock) : clock_(clock ? std::move(clock) : Clock(SteadySeconds)) {}

float TDXTimer::Command(int command) {
  const bool readsClock = !stopped_ || command == dxtStart || command == dxtAbsoluteTime;
  const double now = readsClock ? clock_() : stopTime_;
  switch (command) {
    case dxtReset:
      base_ = last_ = now;
      stopTime_ = 0;
      stopped_ = false;
      return 0.0f;
    case dxtStart:
      if (stopped_)
        base_ += now - stopTime_;
      stopped_ = false;
      stopTime_ = 0;
      last_ = now;
      return 0.0f;
    case dxtStop:
      if (!stopped_) {
        stopTime_ = last_ = now;
        stopped_ = true;
      }
      return 0.0f;
    case dxtAdvance:
      stopTime_ += 0.1;
      return 0.0f;
    case dxtAbsoluteTime:
      return static_cast<float>(now);
    case dxtTimeSinceReset:
      return static_cast<float>(now - base_);
    case dxtElapsedTime: {
      const double elapsed = now - last_;
      last_ = now;
      return static_cast<float>(elapsed);
    }
    default:
      return -1.0f;
  }
}

float DXTimer(int command) {
  static std::mutex mutex;
  static TDXTimer timer;
  const std::lock_guard lock(mutex);
  return timer.Command(command);
}

}  // namespace vrel
