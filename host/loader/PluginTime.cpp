#include "host/loader/PluginTime.h"

#include <thread>

namespace host {

PluginTime::PluginTime(const PluginSession& session, bool realClockOnly)
    : realClockAsked_(realClockOnly) {
  if (realClockOnly) return;
  if (session.Description().supportsHostTime) {
    source_ = Source::kHostTime;
    return;
  }
  steering_ = ClockSteering::Attach(session.Library());
  if (steering_ != nullptr) source_ = Source::kSteeredClock;
}

PluginTime::~PluginTime() = default;

const char* PluginTime::Name() const {
  switch (source_) {
    case Source::kHostTime: return "host time (FF_SETTIME)";
    case Source::kSteeredClock: return "steered clock";
    case Source::kRealClock: break;
  }
  return realClockAsked_ ? "real clock" : "real clock (not steerable)";
}

void PluginTime::PaceRealClock(double tolerance) {
  paced_ = true;
  tolerance_ = tolerance;
}

bool PluginTime::MoveTo(const PluginInstance* instance, double seconds) {
  switch (source_) {
    case Source::kHostTime: return instance == nullptr || instance->SetTime(seconds);
    case Source::kSteeredClock: steering_->SetSeconds(seconds); return true;
    case Source::kRealClock: break;
  }
  if (!paced_) return true;
  const auto slot = created_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                   std::chrono::duration<double>(seconds));
  std::this_thread::sleep_until(slot);
  const double lateness =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - slot).count();
  if (lateness > tolerance_) ++lateFrames_;
  if (lateness > worstLateness_) worstLateness_ = lateness;
  return true;
}

}  // namespace host
