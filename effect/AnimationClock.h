// The effect's animation clock: real time read from the platform's
// monotonic counter, and the animation time fed to the shader, which each
// frame advances by the real seconds since the frame before times Speed
// times 2.
#pragma once

#include <cstdint>

struct AnimationClock {
  double currentTime = 0.0;   // seconds since Restart at the latest frame
  double previousTime = 0.0;  // currentTime of the frame before
  double counterTicksPerMs = 0.0;
  std::int64_t counterStart = 0;  // counter value latched by Restart
  float elapsedTime = 0.0f;       // the shader's time and iGlobalTime

  // Latches the counter: real time counts from now.
  void Restart();
  // Milliseconds of real time since Restart.
  double Milliseconds() const;
  // One frame's step: elapsedTime grows by the real seconds since the
  // previous frame times speed times 2, in 32-bit float arithmetic.
  void Advance(float speed);
};
