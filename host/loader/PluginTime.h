// How the host's time reaches a plugin, chosen once per instance: through
// FF_SETTIME where the plugin takes the host's time, else by steering the
// clock imports of its library, else not at all (it reads the real clock,
// and a caller that wants frames at given times waits for them).
#pragma once

#include <chrono>
#include <memory>

#include "host/loader/ClockSteering.h"
#include "host/loader/PluginSession.h"

namespace host {

class PluginTime {
 public:
  enum class Source { kHostTime, kSteeredClock, kRealClock };

  // Before the instance is made: the steered clock starts here, at the
  // instance's time 0. `realClockOnly` leaves the plugin on the real clock.
  PluginTime(const PluginSession& session, bool realClockOnly);
  // The steered clock is put back; before the library unloads.
  ~PluginTime();
  PluginTime(const PluginTime&) = delete;
  PluginTime& operator=(const PluginTime&) = delete;

  Source Which() const { return source_; }
  // "host time (FF_SETTIME)", "steered clock", "real clock" (asked for) or
  // "real clock (not steerable)".
  const char* Name() const;

  // Right after the instance is made: time 0 on the real clock.
  void Started() { created_ = std::chrono::steady_clock::now(); }
  // On the real clock, MoveTo waits until each time comes; a frame later
  // than `tolerance` seconds counts as late.
  void PaceRealClock(double tolerance);

  // Puts the plugin at `seconds` since its instance was made (`instance`
  // may be null where there is none). False when the plugin refused
  // FF_SETTIME.
  bool MoveTo(const PluginInstance* instance, double seconds);

  int LateFrames() const { return lateFrames_; }
  double WorstLateness() const { return worstLateness_; }

 private:
  Source source_ = Source::kRealClock;
  bool realClockAsked_ = false;
  std::unique_ptr<ClockSteering> steering_;
  std::chrono::steady_clock::time_point created_ = std::chrono::steady_clock::now();
  bool paced_ = false;
  double tolerance_ = 0.0;
  int lateFrames_ = 0;
  double worstLateness_ = 0.0;
};

}  // namespace host
