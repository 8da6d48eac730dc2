// The picture the shipped plugin draws on real OpenGL, compared pixel by
// pixel with the built-in program's statements evaluated on the CPU.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "host/HostFramebuffer.h"
#include "tests/realgl/MesaContext.h"

namespace {

using mesa::Call;

constexpr int kWidth = 320;
constexpr int kHeight = 180;

struct Rgb {
  int r, g, b;
};

// The built-in program at time 0 (Speed 0 holds the clock there), in 32-bit
// floats, clamped and rounded to 8 bits as the framebuffer stores it.
// Returns false where the program is not well defined: its power term has a
// zero base, which GLSL leaves undefined for an exponent that is not
// positive (kept clear of the boundary by a margin).
bool EvaluateBuiltInProgram(float fragX, float fragY, float distort, float mode, Rgb& out) {
  const float w = static_cast<float>(kWidth);
  const float h = static_cast<float>(kHeight);
  float px = (fragX * 2.0f - w) / std::min(w, h);
  float py = (fragY * 2.0f - h) / std::min(w, h);
  const float exponent = std::sin(std::sqrt(px * px + py * py) * 2.0f) * 2.5f;
  if (exponent < 0.05f) return false;
  const float x = std::sin(px * 5.0f) + std::cos(py * 5.0f) + distort * 0.0f;
  const float y = std::sin(py * 50.0f) + std::cos(x * 10.0f);
  px = x * 5.5f;
  py = y * 5.5f;
  py = std::sqrt((px * 0.01f) * (px * 0.01f) + (py * 0.01f) * (py * 0.01f)) * 10.0f;
  const float a = std::sin(px * 1.0f);
  const float b = std::sin(py * 10.0f + px * 1.0f);
  const float circle = a * (1.0f - mode) + b * mode;
  auto store = [](float v) {
    return static_cast<int>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
  };
  out = Rgb{store(circle * 1.0f), store(circle * 0.5f), store(circle * 0.0f)};
  return true;
}

class RenderedPictureTest : public ::testing::TestWithParam<float> {};

TEST_P(RenderedPictureTest, MatchesTheProgramEvaluatedOnTheCpu) {
  const float mode = GetParam();
  const host::HostGL& gl = mesa::GL();
  host::HostFramebuffer target(gl, kWidth, kHeight);
  ASSERT_TRUE(target.IsComplete());
  target.Clear(0.2f, 0.2f, 0.2f, 0.0f);

  FFGLViewportStruct viewport{0, 0, kWidth, kHeight};
  const FFWord instance = Call(FF_INSTANTIATEGL, &viewport);
  ASSERT_NE(FFWord{FF_FAIL}, instance);
  SetParameterStruct speed{0, FFWordFromFloat(0.0f)};
  SetParameterStruct modeValue{2, FFWordFromFloat(mode)};
  ASSERT_EQ(FF_SUCCESS, Call(FF_SETPARAMETER, &speed, instance));
  ASSERT_EQ(FF_SUCCESS, Call(FF_SETPARAMETER, &modeValue, instance));

  target.Bind();
  ProcessOpenGLStruct frame{0, nullptr, target.Framebuffer()};
  ASSERT_EQ(FF_SUCCESS, Call(FF_PROCESSOPENGL, &frame, instance));

  // The host's state is as it was.
  GLint framebuffer = -1, activeUnit = -1, program = -1;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
  glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  EXPECT_EQ(static_cast<GLint>(target.Framebuffer()), framebuffer);
  EXPECT_EQ(GL_TEXTURE0, activeUnit);
  EXPECT_EQ(0, program);

  const std::vector<std::uint8_t> pixels = target.ReadPixels();
  int compared = 0, close = 0, opaque = 0;
  for (int row = 0; row < kHeight; ++row) {
    for (int x = 0; x < kWidth; ++x) {
      const std::uint8_t* pixel = &pixels[(static_cast<std::size_t>(row) * kWidth + x) * 4];
      opaque += pixel[3] == 255;
      Rgb expected{};
      // Rows come top first; gl_FragCoord counts from the bottom, at centres.
      const float fragY = static_cast<float>(kHeight - 1 - row) + 0.5f;
      if (!EvaluateBuiltInProgram(static_cast<float>(x) + 0.5f, fragY, 0.0f, mode, expected)) {
        continue;
      }
      ++compared;
      close += std::abs(pixel[0] - expected.r) <= 3 && std::abs(pixel[1] - expected.g) <= 3 &&
               std::abs(pixel[2] - expected.b) <= 3;
    }
  }
  EXPECT_EQ(kWidth * kHeight, opaque);
  ASSERT_GT(compared, kWidth * kHeight / 3);
  const double share = static_cast<double>(close) / compared;
  std::printf("mode %.1f: %d of %d well-defined pixels within 3/255 (%.3f%%)\n",
              static_cast<double>(mode), close, compared, share * 100.0);
  EXPECT_GE(share, 0.99);
  EXPECT_EQ(FF_SUCCESS, Call(FF_DEINSTANTIATEGL, 0, instance));
}

INSTANTIATE_TEST_SUITE_P(BothBandPatterns, RenderedPictureTest, ::testing::Values(0.0f, 1.0f));

}  // namespace
