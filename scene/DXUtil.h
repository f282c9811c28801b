#pragma once

// The frame timer of the 3D views: one per process, driven by numbered commands. The views stop it
// while they are paused and start it again when they resume, so its time runs only while something
// is being shown.

#include <functional>
#include <mutex>

namespace vrel {

// The timer commands. Every other number answers -1.
enum TDXTimerCommand : int {
  dxtReset = 0,         // time since reset back to 0, running
  dxtStart = 1,         // resume; a stopped interval does not count
  dxtStop = 2,          // freeze the time where it is
  dxtAdvance = 3,       // a stopped timer steps 0.1 s forward
  dxtAbsoluteTime = 4,  // the clock itself, in seconds
  dxtTimeSinceReset = 5,
  dxtElapsedTime = 6,  // seconds since the previous dxtElapsedTime
};

// One timer over a clock that gives seconds. Not thread-safe by itself.
class TDXTimer {
 public:
  using Clock = std::function<double()>;

  // A steady clock when none is given. The timer starts stopped, with every mark at 0.
  explicit TDXTimer(Clock clock = {});

  // The command's answer in seconds (0 for the commands that only act); -1 for an unknown command.
  // While stopped, "now" is the stop time for every command but start and absolute time.
  float Command(int command);
  bool Stopped() const { return stopped_; }

 private:
  Clock clock_;
  double base_ = 0;
  double last_ = 0;
  double stopTime_ = 0;
  bool stopped_ = true;
};

// The process-wide timer (thread-safe).
float DXTimer(int command);

}  // namespace vrel
