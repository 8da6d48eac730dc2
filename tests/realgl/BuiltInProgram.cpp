#include "tests/realgl/BuiltInProgram.h"

#include <algorithm>
#include <cmath>

namespace reference {

bool EvaluateBuiltInProgram(float fragX, float fragY, int width, int height, float time,
                            float distort, float mode, Rgb& out) {
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  float px = (fragX * 2.0f - w) / std::min(w, h);
  float py = (fragY * 2.0f - h) / std::min(w, h);
  const float swing = std::sin(time);
  const float base = swing * 3.5f;
  const float grown = 1.0f + swing;
  const float exponent =
      std::sin(std::sqrt(px * grown * px * grown + py * grown * py * grown) * 2.0f) * 2.5f;
  if (base < 0.0f || (base == 0.0f && exponent < 0.05f)) return false;
  const float power = std::max(0.0f, std::pow(base, exponent));
  const float x = std::sin(px * 5.0f) + std::cos(py * 5.0f) + distort * power;
  const float y = std::sin(py * 50.0f) + std::cos(x * 10.0f);
  px = x * 5.5f;
  py = y * 5.5f;
  py = std::sqrt((px * 0.01f) * (px * 0.01f) + (py * 0.01f) * (py * 0.01f)) * 10.0f;
  const float a = std::sin(px * 1.0f + time * 50.0f);
  const float b = std::sin(py * 10.0f + px * 1.0f + time * 50.0f);
  const float circle = a * (1.0f - mode) + b * mode;
  auto store = [](float v) {
    return static_cast<int>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
  };
  out = Rgb{store(circle * (1.0f - swing)), store(circle * 0.5f), store(circle * swing)};
  return true;
}

}  // namespace reference
