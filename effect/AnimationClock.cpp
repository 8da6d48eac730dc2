#include "effect/AnimationClock.h"

#include "platform/Platform.h"

void AnimationClock::Restart() {
  counterTicksPerMs = static_cast<double>(platform::CounterFrequency()) / 1000.0;
  counterStart = platform::CounterValue();
}

double AnimationClock::Milliseconds() const {
  const std::int64_t ticks = platform::CounterValue() - counterStart;
  return static_cast<double>(ticks) / counterTicksPerMs;
}

void AnimationClock::Advance(float speed) {
  previousTime = currentTime;
  currentTime = Milliseconds() / 1000.0;
  const float step = static_cast<float>(currentTime - previousTime);
  elapsedTime = ((step * speed) * 2.0f) + elapsedTime;
}
